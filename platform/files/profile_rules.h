// What the profile calls of every platform share: which writes are refused and how a value is
// handed out.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files/profile_text.h"

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

// GetPrivateProfileStringA with the platform's way of reading a whole file (false: no file
// that could be read).
inline std::uint32_t ReadProfileString(
    const char* section, const char* key, const char* defaultValue, char* buffer,
    std::uint32_t size, const char* fileName,
    const std::function<bool(const char* fileName, std::string* content)>& readWholeFile) {
  if (buffer == nullptr || size == 0) return 0;
  std::string_view fallback = TrimTrailingBlanks(defaultValue ? defaultValue : "");
  if (section == nullptr || key == nullptr || fileName == nullptr) return CopyOut("", buffer, size);
  std::string content;
  if (!readWholeFile(fileName, &content)) return CopyOut(fallback, buffer, size);
  std::optional<std::string> value = FindProfileValue(content, section, key);
  return CopyOut(value ? std::string_view(*value) : fallback, buffer, size);
}
