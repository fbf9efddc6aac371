// Code page 936 (GBK) to and from UTF-8 and UTF-16, the way text crosses every library boundary.
//
// Every conversion stops at the first U+0000 (or 0 byte). A character the target cannot hold,
// and a byte sequence the source does not allow, each become one '?'. Nothing throws.
#pragma once

#include <string>
#include <string_view>

std::string Utf8FromGbk(std::string_view gbk);
std::string GbkFromUtf8(std::string_view utf8);
std::u16string Utf16FromGbk(std::string_view gbk);
std::string GbkFromUtf16(std::u16string_view utf16);
