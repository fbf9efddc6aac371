// Conversions pivot through UTF-32: decode the source into code points (stopping at U+0000),
// then encode them into the target. GBK goes through iconv, UTF-8 and UTF-16 are done by hand.
#include "platform/codepage/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace {

using CodePoints = std::vector<char32_t>;
constexpr char32_t kReplacement = U'?';
constexpr const char* kGbk = "CP936";
constexpr const char* kUtf32 = "UTF-32LE";

// Runs one iconv conversion; an input unit the converter rejects is skipped (skipWidth bytes)
// and `replacement` is written in its place.
std::string Iconv(const char* to, const char* from, std::string_view input, std::size_t skipWidth,
                  std::string_view replacement) {
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return {};
  std::string output;
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    output.append(buffer, out - buffer);
    if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    // EILSEQ: a unit it cannot convert; EINVAL: a sequence cut off at the end.
    output.append(replacement);
    std::size_t skip = errno == EINVAL ? inLeft : std::min(skipWidth, inLeft);
    in += skip;
    inLeft -= skip;
  }
  iconv_close(converter);
  return output;
}

CodePoints UntilNul(CodePoints points) {
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (points[i] == 0) {
      points.resize(i);
      break;
    }
  }
  return points;
}

CodePoints DecodeGbk(std::string_view gbk) {
  gbk = gbk.substr(0, gbk.find('\0'));
  std::string utf32 = Iconv(kUtf32, kGbk, gbk, 1, std::string_view("?\0\0\0", 4));
  CodePoints points(utf32.size() / 4);
  for (std::size_t i = 0; i < points.size(); ++i) {
    points[i] = static_cast<unsigned char>(utf32[4 * i]) |
                static_cast<unsigned char>(utf32[4 * i + 1]) << 8 |
                static_cast<unsigned char>(utf32[4 * i + 2]) << 16 |
                static_cast<char32_t>(static_cast<unsigned char>(utf32[4 * i + 3])) << 24;
  }
  return points;
}

std::string EncodeGbk(const CodePoints& points) {
  std::string utf32;
  utf32.reserve(points.size() * 4);
  for (char32_t c : points) {
    for (int shift = 0; shift < 32; shift += 8) utf32 += static_cast<char>((c >> shift) & 0xFF);
  }
  return Iconv(kGbk, kUtf32, utf32, 4, "?");
}

CodePoints DecodeUtf8(std::string_view utf8) {
  CodePoints points;
  std::size_t i = 0;
  while (i < utf8.size()) {
    unsigned char lead = utf8[i];
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || i + extra >= utf8.size()) {
      points.push_back(kReplacement);
      ++i;
      continue;
    }
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char next = utf8[i + k];
      if ((next & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (!valid || c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      points.push_back(kReplacement);
      ++i;
      continue;
    }
    points.push_back(c);
    i += extra + 1;
  }
  return UntilNul(std::move(points));
}

std::string EncodeUtf8(const CodePoints& points) {
  std::string utf8;
  for (char32_t c : points) {
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (c >> 12));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (c >> 18));
      utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

CodePoints DecodeUtf16(std::u16string_view utf16) {
  CodePoints points;
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char16_t unit = utf16[i];
    bool high = unit >= 0xD800 && unit <= 0xDBFF;
    bool lowNext = i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF;
    if (high && lowNext) {
      points.push_back(0x10000 + ((unit - 0xD800) << 10) + (utf16[++i] - 0xDC00));
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      points.push_back(kReplacement);
    } else {
      points.push_back(unit);
    }
  }
  return UntilNul(std::move(points));
}

std::u16string EncodeUtf16(const CodePoints& points) {
  std::u16string utf16;
  for (char32_t c : points) {
    if (c < 0x10000) {
      utf16 += static_cast<char16_t>(c);
    } else {
      utf16 += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      utf16 += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return utf16;
}

}  // namespace

std::string Utf8FromGbk(std::string_view gbk) { return EncodeUtf8(DecodeGbk(gbk)); }
std::string GbkFromUtf8(std::string_view utf8) { return EncodeGbk(DecodeUtf8(utf8)); }
std::u16string Utf16FromGbk(std::string_view gbk) { return EncodeUtf16(DecodeGbk(gbk)); }
std::string GbkFromUtf16(std::u16string_view utf16) { return EncodeGbk(DecodeUtf16(utf16)); }
