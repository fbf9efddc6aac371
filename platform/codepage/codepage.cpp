// Each conversion is one iconv pass straight from source to target, so a large text costs its
// input and output and no more. Where iconv refuses a unit, the unit is skipped and '?' written:
// a unit is one byte of a sequence the source does not allow, or one whole character the target
// cannot hold.
#include "platform/codepage/codepage.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <functional>

namespace {

constexpr const char* kGbk = "CP936";
constexpr const char* kUtf8 = "UTF-8";
constexpr const char* kUtf16 = "UTF-16LE";

// Bytes to pass over where iconv stopped at `at` with `left` bytes to go (EILSEQ or EINVAL).
using SkipRule = std::function<std::size_t(const char* at, std::size_t left)>;

std::string Iconv(const char* to, const char* from, std::string_view input, const SkipRule& skip,
                  std::string_view replacement) {
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
    std::size_t passed = std::min(std::max<std::size_t>(skip(in, inLeft), 1), inLeft);
    in += passed;
    inLeft -= passed;
  }
  iconv_close(converter);
  return output;
}

// Length of the well-formed UTF-8 character at `at`, or 0 when the bytes there are not one.
std::size_t Utf8CharacterLength(const char* at, std::size_t left) {
  auto byte = [at](std::size_t i) { return static_cast<unsigned char>(at[i]); };
  unsigned char lead = byte(0);
  std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
                                       : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || length > left) return 0;
  char32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(i) & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  bool wellFormed = c >= kSmallest[length] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
  return wellFormed ? length : 0;
}

// Bytes of the UTF-16LE unit or surrogate pair at `at` that make one character the target
// refused; a lone surrogate is passed over alone.
std::size_t Utf16CharacterLength(const char* at, std::size_t left) {
  auto unit = [at](std::size_t i) {
    return static_cast<char16_t>(static_cast<unsigned char>(at[2 * i]) |
                                 static_cast<unsigned char>(at[2 * i + 1]) << 8);
  };
  if (left < 2) return left;
  bool high = unit(0) >= 0xD800 && unit(0) <= 0xDBFF;
  bool pair = high && left >= 4 && unit(1) >= 0xDC00 && unit(1) <= 0xDFFF;
  return pair ? 4 : 2;
}

std::size_t OneByte(const char*, std::size_t) { return 1; }

template <typename Char>
std::basic_string_view<Char> UntilNul(std::basic_string_view<Char> text) {
  return text.substr(0, text.find(Char(0)));
}

// char16_t units as they lie in memory, which is what "UTF-16LE" reads on this host.
static_assert(std::endian::native == std::endian::little);
std::string_view AsBytes(std::u16string_view text) {
  return {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t)};
}

}  // namespace

std::string Utf8FromGbk(std::string_view gbk) {
  return Iconv(kUtf8, kGbk, UntilNul(gbk), OneByte, "?");
}

std::string GbkFromUtf8(std::string_view utf8) {
  return Iconv(kGbk, kUtf8, UntilNul(utf8), Utf8CharacterLength, "?");
}

std::u16string Utf16FromGbk(std::string_view gbk) {
  std::string bytes = Iconv(kUtf16, kGbk, UntilNul(gbk), OneByte, std::string_view("?\0", 2));
  std::u16string utf16(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    utf16[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return utf16;
}

std::string GbkFromUtf16(std::u16string_view utf16) {
  return Iconv(kGbk, kUtf16, AsBytes(UntilNul(utf16)), Utf16CharacterLength, "?");
}
