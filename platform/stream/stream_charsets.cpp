#include "platform/stream/stream_charsets.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace {

constexpr const char* kWide = "UTF-16LE";

std::string Lower(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// Plain encoding names only: no iconv suffixes such as //TRANSLIT.
bool IsPlainName(std::string_view name) {
  return !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' ||
           c == ':';
  });
}

bool IconvKnows(const std::string& encoding) {
  for (auto [to, from] : {std::pair{encoding.c_str(), kWide}, std::pair{kWide, encoding.c_str()}}) {
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    iconv_close(converter);
  }
  return true;
}

// Runs input through iconv. Where the converter rejects a unit, `replacement` is written and
// skipWidth(rest) bytes are passed over; a sequence cut off at the end is replaced once.
template <typename SkipWidth>
std::string Recode(const char* to, const char* from, std::string_view input,
                   std::string_view replacement, SkipWidth skipWidth) {
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
    std::size_t skip = errno == EINVAL ? inLeft : std::min(skipWidth(in, inLeft), inLeft);
    in += skip;
    inLeft -= skip;
  }
  // Stateful encodings (UTF-7, ISO-2022) close their last shift sequence here.
  char* out = buffer;
  std::size_t outLeft = sizeof buffer;
  iconv(converter, nullptr, nullptr, &out, &outLeft);
  output.append(buffer, out - buffer);
  iconv_close(converter);
  return output;
}

std::string WideBytes(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::u16string WideText(std::string_view bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return text;
}

}  // namespace

std::optional<StreamCharset> FindStreamCharset(std::string_view name) {
  std::string lower = Lower(name);
  if (lower == "unicode") return StreamCharset{"UTF-16LE", "\xFF\xFE"};
  if (lower == "utf-8") return StreamCharset{"UTF-8", "\xEF\xBB\xBF"};
  // The system's ANSI code page: the same table the text crossing uses.
  if (lower == "gbk" || lower == "gb2312" || lower == "cp936") return StreamCharset{"CP936", ""};
  if (!IsPlainName(name) || !IconvKnows(std::string(name))) return std::nullopt;
  return StreamCharset{std::string(name), ""};
}

std::u16string DecodeCharset(std::string_view bytes, const StreamCharset& charset) {
  std::string wide = Recode(kWide, charset.encoding.c_str(), bytes, std::string_view("\xFD\xFF", 2),
                            [](const char*, std::size_t) { return std::size_t{1}; });
  return WideText(wide);
}

std::string EncodeCharset(std::u16string_view text, const StreamCharset& charset) {
  static const std::string kQuestion("?\0", 2);
  std::string replacement = Recode(charset.encoding.c_str(), kWide, kQuestion, "",
                                   [](const char*, std::size_t) { return std::size_t{2}; });
  // A rejected surrogate pair is one character: pass over both units.
  auto unitWidth = [](const char* rest, std::size_t left) -> std::size_t {
    auto high = static_cast<unsigned char>(rest[1]);
    return left >= 4 && high >= 0xD8 && high <= 0xDB ? 4 : 2;
  };
  return Recode(charset.encoding.c_str(), kWide, WideBytes(text), replacement, unitWidth);
}
