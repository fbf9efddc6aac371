// The limits every script heap lives under: a memory cap enforced by the heap's allocator and a
// running-time deadline armed for each call into the engine. Internal to platform/script.
#pragma once

#include <chrono>
#include <cstddef>

struct ScriptHeapLimits {
  std::size_t memoryCap = 0;
  std::size_t allocated = 0;  // bytes the heap holds now, block headers included
  std::chrono::steady_clock::time_point deadline;
  // True whenever no call is in progress or the deadline has passed: any script code that runs
  // then (a finalizer while the heap is destroyed, a catch block after a time-out) stops at once.
  bool expired = true;
  unsigned checksSinceClock = 0;
};

// Duktape's allocation functions; the user data is the heap's ScriptHeapLimits. An allocation
// that would take the heap past its cap fails, which the engine turns into a script error.
void* ScriptAlloc(void* limits, std::size_t size);
void* ScriptRealloc(void* limits, void* block, std::size_t size);
void ScriptFree(void* limits, void* block);

// Holds one heap's limits active on this thread for the scope's lifetime. With a time budget the
// deadline is armed; without one everything that runs is stopped (used while destroying a heap).
class ScriptLimitScope {
 public:
  ScriptLimitScope(ScriptHeapLimits& limits, std::chrono::milliseconds budget);
  explicit ScriptLimitScope(ScriptHeapLimits& limits);
  ~ScriptLimitScope();
  ScriptLimitScope(const ScriptLimitScope&) = delete;
  ScriptLimitScope& operator=(const ScriptLimitScope&) = delete;

 private:
  ScriptHeapLimits& limits_;
  ScriptHeapLimits* outer_;
};
