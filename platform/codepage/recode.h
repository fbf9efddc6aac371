// One pass of iconv, shared by the code page crossing and the stream object's charsets.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Bytes to pass over where the converter refused the unit at `at` (`left` bytes remain).
using SkipRule = std::function<std::size_t(const char* at, std::size_t left)>;

// input converted from `from` to `to` (iconv names). Where the converter refuses a unit, writes
// `replacement` and passes over skip(at, left) bytes (at least one); a sequence cut off at the
// end is replaced once. Empty when iconv knows either name not.
std::string Recode(const char* to, const char* from, std::string_view input,
                   std::string_view replacement, const SkipRule& skip);

// UTF-16 units as little-endian bytes ("UTF-16LE"), and back (an odd last byte is dropped).
std::string Utf16Bytes(std::u16string_view text);
std::u16string Utf16FromBytes(std::string_view bytes);
