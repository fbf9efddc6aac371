// The millisecond tick count.
#pragma once

#ifdef _WIN32
// Windows has the call itself.
#include <windows.h>
#else
#include <cstdint>

// Milliseconds since an unspecified start (system boot), from a monotonic clock; wraps at 2^32.
std::uint32_t GetTickCount();
#endif
