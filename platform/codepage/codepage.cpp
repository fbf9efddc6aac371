// Each conversion is one iconv pass straight from source to target, so a large text costs its
// input and output and no more. Where iconv refuses a unit, the unit is skipped and '?' written:
// a unit is one byte of a sequence the source does not allow, or one whole character the target
// cannot hold; a sequence cut off at the end counts as one unit.
#include "platform/codepage/codepage.h"

#include "platform/codepage/recode.h"

namespace {

constexpr const char* kGbk = "CP936";
constexpr const char* kUtf8 = "UTF-8";
constexpr const char* kUtf16 = "UTF-16LE";

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

}  // namespace

std::string Utf8FromGbk(std::string_view gbk) {
  return Recode(kUtf8, kGbk, UntilNul(gbk), "?", OneByte);
}

std::string GbkFromUtf8(std::string_view utf8) {
  return Recode(kGbk, kUtf8, UntilNul(utf8), "?", Utf8CharacterLength);
}

std::u16string Utf16FromGbk(std::string_view gbk) {
  return Utf16FromBytes(Recode(kUtf16, kGbk, UntilNul(gbk), std::string_view("?\0", 2), OneByte));
}

std::string GbkFromUtf16(std::u16string_view utf16) {
  return Recode(kGbk, kUtf16, Utf16Bytes(UntilNul(utf16)), "?", Utf16CharacterLength);
}
