#include "platform/codepage/recode.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

std::string Recode(const char* to, const char* from, std::string_view input,
                   std::string_view replacement, const SkipRule& skip) {
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return {};
  std::string output;
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    output.append(buffer, out - buffer);
    if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    output.append(replacement);
    std::size_t passed =
        errno == EINVAL ? inLeft : std::clamp<std::size_t>(skip(in, inLeft), 1, inLeft);
    in += passed;
    inLeft -= passed;
  }
  // Stateful encodings (UTF-7, ISO-2022) close their last shift sequence here.
  char* out = buffer;
  std::size_t outLeft = sizeof buffer;
  iconv(converter, nullptr, nullptr, &out, &outLeft);
  output.append(buffer, out - buffer);
  iconv_close(converter);
  return output;
}

std::string Utf16Bytes(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::u16string Utf16FromBytes(std::string_view bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return text;
}
