// Memory cap, deadline and native stack guard for script heaps.
#include "platform/script/script_limits.h"

#include "platform/script/stack_floor.h"

#include <cstdlib>

namespace {

// Every block carries its size in front, so that the cap can be kept exactly.
struct alignas(std::max_align_t) BlockHeader {
  std::size_t size;
};

thread_local ScriptHeapLimits* activeLimits = nullptr;

bool DeadlinePassed(ScriptHeapLimits& limits) {
  if (!limits.expired && std::chrono::steady_clock::now() >= limits.deadline) {
    limits.expired = true;
  }
  return limits.expired;
}

}  // namespace

// A heap made without our limits (heapUserData null) runs unchecked.
extern "C" int ScriptDeadlinePassed(void* heapUserData) {
  if (heapUserData == nullptr) return 0;
  return DeadlinePassed(*static_cast<ScriptHeapLimits*>(heapUserData)) ? 1 : 0;
}

// Called on every native recursion step, so the clock is read only every 64th time.
extern "C" int ScriptNativeLimitReached(void) {
  char here;
  const char* floor = StackFloor();
  if (floor != nullptr && &here < floor) return 1;
  ScriptHeapLimits* limits = activeLimits;
  if (limits == nullptr) return 0;
  if (limits->expired) return 1;
  if (++limits->checksSinceClock % 64 != 0) return 0;
  return DeadlinePassed(*limits) ? 1 : 0;
}

void* ScriptAlloc(void* limits, std::size_t size) { return ScriptRealloc(limits, nullptr, size); }

void* ScriptRealloc(void* limitsData, void* block, std::size_t size) {
  auto& limits = *static_cast<ScriptHeapLimits*>(limitsData);
  BlockHeader* header = block == nullptr ? nullptr : static_cast<BlockHeader*>(block) - 1;
  std::size_t oldSize = header == nullptr ? 0 : header->size;
  if (size == 0) {
    ScriptFree(limitsData, block);
    return nullptr;
  }
  std::size_t held = limits.allocated - oldSize;
  if (size > limits.memoryCap || held + size + sizeof(BlockHeader) > limits.memoryCap) {
    return nullptr;
  }
  auto* grown = static_cast<BlockHeader*>(std::realloc(header, sizeof(BlockHeader) + size));
  if (grown == nullptr) return nullptr;
  grown->size = size + sizeof(BlockHeader);
  limits.allocated = held + grown->size;
  return grown + 1;
}

void ScriptFree(void* limitsData, void* block) {
  if (block == nullptr) return;
  auto& limits = *static_cast<ScriptHeapLimits*>(limitsData);
  BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
  limits.allocated -= header->size;
  std::free(header);
}

ScriptLimitScope::ScriptLimitScope(ScriptHeapLimits& limits, std::chrono::milliseconds budget)
    : limits_(limits), outer_(activeLimits) {
  limits_.deadline = std::chrono::steady_clock::now() + budget;
  limits_.expired = false;
  activeLimits = &limits_;
}

ScriptLimitScope::ScriptLimitScope(ScriptHeapLimits& limits)
    : limits_(limits), outer_(activeLimits) {
  limits_.expired = true;
  activeLimits = &limits_;
}

ScriptLimitScope::~ScriptLimitScope() {
  limits_.expired = true;
  activeLimits = outer_;
}
