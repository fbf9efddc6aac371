// glibc lets a program define the allocation functions itself; these forward to glibc's own and
// keep count. Blocks from memalign-style calls are not counted, so only differences are used.
#include "bench/json/heap_counter.h"

#include <malloc.h>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);
}

namespace {

std::ptrdiff_t held = 0;
std::ptrdiff_t peak = 0;
std::ptrdiff_t base = 0;

void Added(void* block) {
  if (block == nullptr) return;
  held += static_cast<std::ptrdiff_t>(malloc_usable_size(block));
  if (held > peak) peak = held;
}

void Removed(void* block) {
  if (block != nullptr) held -= static_cast<std::ptrdiff_t>(malloc_usable_size(block));
}

}  // namespace

extern "C" void* malloc(std::size_t size) {
  void* block = __libc_malloc(size);
  Added(block);
  return block;
}

extern "C" void* calloc(std::size_t count, std::size_t size) {
  void* block = __libc_calloc(count, size);
  Added(block);
  return block;
}

extern "C" void* realloc(void* block, std::size_t size) {
  Removed(block);
  void* moved = __libc_realloc(block, size);
  Added(moved != nullptr || size == 0 ? moved : block);
  return moved;
}

extern "C" void free(void* block) {
  Removed(block);
  __libc_free(block);
}

void ResetHeapPeak() {
  base = held;
  peak = held;
}

std::ptrdiff_t HeapPeakSinceReset() { return peak - base; }
