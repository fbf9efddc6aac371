// Where native recursion on this thread must stop, so the engine fails a script instead of
// overflowing the stack. Internal to platform/script; one backend per platform.
#pragma once

#include <cstddef>

// The lowest address native code may reach on this thread (found once per thread): a quarter of
// the stack, at least 256 KiB, is kept in reserve. Null when the stack cannot be found.
const char* StackFloor();

// The floor for a stack whose low end is `low` and whose size is `size` bytes.
inline const char* StackFloorWithin(const char* low, std::size_t size) {
  constexpr std::size_t kMinimumReserve = 256 * 1024;
  return low + (size / 4 > kMinimumReserve ? size / 4 : kMinimumReserve);
}
