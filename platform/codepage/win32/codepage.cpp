// Code page 936 named explicitly, never the ANSI code page: the system's text is GBK on every
// Windows, whatever language it is set to. Windows' own tables decide what a GBK byte sequence
// means; where the target lacks a character the default '?' is written.
#include "platform/codepage/codepage.h"

#include "platform/codepage/win32/code_pages.h"

namespace {

constexpr unsigned kGbk = 936;
constexpr unsigned kUtf8 = 65001;

template <typename Char>
std::basic_string_view<Char> UntilNul(std::basic_string_view<Char> text) {
  return text.substr(0, text.find(Char(0)));
}

}  // namespace

std::string Utf8FromGbk(std::string_view gbk) {
  return BytesInCodePage(kUtf8, WideFromCodePage(kGbk, UntilNul(gbk)));
}

std::string GbkFromUtf8(std::string_view utf8) {
  return BytesInCodePage(kGbk, WideFromCodePage(kUtf8, UntilNul(utf8)));
}

std::u16string Utf16FromGbk(std::string_view gbk) { return WideFromCodePage(kGbk, UntilNul(gbk)); }

std::string GbkFromUtf16(std::u16string_view utf16) {
  return BytesInCodePage(kGbk, UntilNul(utf16));
}
