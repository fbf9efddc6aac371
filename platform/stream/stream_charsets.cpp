#include "platform/stream/stream_charsets.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>

#include "platform/codepage/recode.h"

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
  return Utf16FromBytes(wide);
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
  return Recode(charset.encoding.c_str(), kWide, Utf16Bytes(text), replacement, unitWidth);
}
