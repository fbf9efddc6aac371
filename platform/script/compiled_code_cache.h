// Bytecode of programs compiled before, so that adding the same code to another engine (every
// new document engine loads the same document script) skips the compiler. Internal to
// platform/script. Only our own compiler's output is ever kept or loaded.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Programs shorter than this compile about as fast as they load, and longer ones (a large
// reply) are not worth holding on to: neither is kept.
inline constexpr std::size_t kSmallestCachedProgram = 1024;
inline constexpr std::size_t kLargestCachedProgram = 64 * 1024;

// Whether a program of this many bytes of source is looked up and kept at all.
inline bool WorthCaching(std::size_t sourceSize) {
  return sourceSize >= kSmallestCachedProgram && sourceSize <= kLargestCachedProgram;
}

// The bytecode kept for exactly this source text, if any.
std::optional<std::string> FindCompiledCode(std::string_view source);

// Keeps bytecode for source; the least recently used of a few programs makes room for it.
void KeepCompiledCode(std::string_view source, std::string bytecode);
