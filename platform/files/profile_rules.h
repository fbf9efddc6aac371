// What the profile calls of every platform share: which writes are refused and how a value is
// handed out.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

// Arguments that would write a line other than the one asked for are refused: a line break
// anywhere, ']' in the section, '=' in the key, a key that reads as a section, a blank section.
inline bool IsWritableProfileLine(std::string_view section, std::string_view key,
                                  std::string_view value) {
  auto hasLineBreak = [](std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
  };
  std::size_t keyStart = key.find_first_not_of(" \t");
  return !hasLineBreak(section) && !hasLineBreak(key) && !hasLineBreak(value) &&
         section.find(']') == std::string_view::npos && key.find('=') == std::string_view::npos &&
         keyStart != std::string_view::npos && key[keyStart] != '[' &&
         section.find_first_not_of(" \t") != std::string_view::npos;
}

// Copies at most size - 1 bytes of value and a 0 byte into buffer; the count copied.
inline std::uint32_t CopyOut(std::string_view value, char* buffer, std::uint32_t size) {
  std::size_t count = std::min<std::size_t>(value.size(), size - 1);
  // copy(), not memcpy: an empty view may carry no data pointer at all.
  value.copy(buffer, count);
  buffer[count] = '\0';
  return static_cast<std::uint32_t>(count);
}

inline std::string_view TrimTrailingBlanks(std::string_view s) {
  std::size_t last = s.find_last_not_of(" \t");
  return last == std::string_view::npos ? std::string_view() : s.substr(0, last + 1);
}
