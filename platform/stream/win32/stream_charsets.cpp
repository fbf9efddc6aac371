// Windows names no charset by itself (that is MLang's job, a COM object), so the names the stream
// object knows are listed here with their code pages; the conversions are Windows' own, except
// UTF-16, which MultiByteToWideChar does not take.
#include "platform/stream/stream_charsets.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/codepage/win32/code_pages.h"

namespace {

constexpr unsigned kUtf16Le = 1200;
constexpr unsigned kUtf16Be = 1201;

struct NamedCodePage {
  const char* name;
  unsigned codePage;
};

// clang-format off
constexpr NamedCodePage kCharsets[] = {
    {"unicode", kUtf16Le},      {"utf-16", kUtf16Le},       {"utf-16le", kUtf16Le},
    {"unicodefffe", kUtf16Be},  {"utf-16be", kUtf16Be},     {"utf-8", 65001},
    {"utf-7", 65000},           {"gbk", 936},               {"gb2312", 936},
    {"cp936", 936},             {"gb18030", 54936},         {"big5", 950},
    {"shift_jis", 932},         {"euc-jp", 20932},          {"euc-kr", 51949},
    {"ks_c_5601-1987", 949},    {"us-ascii", 20127},        {"ascii", 20127},
    {"iso-8859-1", 28591},      {"latin1", 28591},          {"iso-8859-2", 28592},
    {"iso-8859-5", 28595},      {"iso-8859-7", 28597},      {"iso-8859-15", 28605},
    {"koi8-r", 20866},          {"windows-1250", 1250},     {"windows-1251", 1251},
    {"windows-1252", 1252},     {"windows-1253", 1253},     {"windows-1254", 1254},
    {"windows-1255", 1255},     {"windows-1256", 1256},     {"windows-1257", 1257},
    {"windows-1258", 1258},
};
// clang-format on

std::string Lower(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

unsigned CodePageOf(const StreamCharset& charset) {
  return static_cast<unsigned>(std::stoul(charset.encoding));
}

// UTF-16 bytes in either order to units and back; an odd last byte is dropped.
std::u16string UnitsFromBytes(std::string_view bytes, bool bigEndian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    auto first = static_cast<unsigned char>(bytes[2 * i]);
    auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
  }
  return units;
}

std::string BytesFromUnits(std::u16string_view units, bool bigEndian) {
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t unit : units) {
    char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

}  // namespace

std::optional<StreamCharset> FindStreamCharset(std::string_view name) {
  std::string lower = Lower(name);
  auto found = std::find_if(std::begin(kCharsets), std::end(kCharsets),
                            [&](const NamedCodePage& entry) { return lower == entry.name; });
  if (found == std::end(kCharsets)) return std::nullopt;
  std::string mark = found->codePage == kUtf16Le ? "\xFF\xFE" : "";
  if (found->codePage == 65001) mark = "\xEF\xBB\xBF";
  // A code page this Windows does not have is no charset either.
  if (found->codePage != kUtf16Le && found->codePage != kUtf16Be &&
      WideFromCodePage(found->codePage, "a").empty()) {
    return std::nullopt;
  }
  return StreamCharset{std::to_string(found->codePage), mark};
}

std::u16string DecodeCharset(std::string_view bytes, const StreamCharset& charset) {
  unsigned codePage = CodePageOf(charset);
  if (codePage == kUtf16Le || codePage == kUtf16Be) {
    return UnitsFromBytes(bytes, codePage == kUtf16Be);
  }
  return WideFromCodePage(codePage, bytes);
}

std::string EncodeCharset(std::u16string_view text, const StreamCharset& charset) {
  unsigned codePage = CodePageOf(charset);
  if (codePage == kUtf16Le || codePage == kUtf16Be) {
    return BytesFromUnits(text, codePage == kUtf16Be);
  }
  return BytesInCodePage(codePage, text);
}
