#include "platform/codepage/win32/code_pages.h"

#include <windows.h>

std::u16string WideFromCodePage(unsigned codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  int size = static_cast<int>(bytes.size());
  int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  std::u16string wide(length > 0 ? length : 0, u'\0');
  if (length > 0) {
    MultiByteToWideChar(codePage, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(wide.data()),
                        length);
  }
  return wide;
}

std::string BytesInCodePage(unsigned codePage, std::u16string_view wide) {
  if (wide.empty()) return {};
  auto units = reinterpret_cast<const wchar_t*>(wide.data());
  int size = static_cast<int>(wide.size());
  // UTF-7 and UTF-8 take no default character: they hold every character anyway.
  const char* question = codePage == CP_UTF8 || codePage == CP_UTF7 ? nullptr : "?";
  int length = WideCharToMultiByte(codePage, 0, units, size, nullptr, 0, question, nullptr);
  std::string bytes(length > 0 ? length : 0, '\0');
  if (length > 0) {
    WideCharToMultiByte(codePage, 0, units, size, bytes.data(), length, question, nullptr);
  }
  return bytes;
}
