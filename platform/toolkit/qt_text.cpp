// A long text crosses in pieces of about kPiece units, appended to one result, so a message of
// many megabytes costs one pass and no temporaries of its own size. Pieces are cut only where no
// character can straddle the cut, so the result is that of one conversion of the whole.
#include "platform/toolkit/qt_text.h"

#include <algorithm>

#include "platform/codepage/codepage.h"

namespace {

constexpr std::size_t kPiece = 1 << 16;

}  // namespace

QString ToQString(const Text& gbk) {
  // Conversion stops at the first 0 byte, as one conversion of the whole would.
  std::string_view rest(gbk.data(), std::min(gbk.size(), gbk.find('\0')));
  QString text;
  text.reserve(static_cast<qsizetype>(rest.size()));  // never more units than bytes
  while (!rest.empty()) {
    // A byte below 0x40 is never part of a two-byte character: cut after one.
    std::size_t end = std::min(rest.size(), kPiece);
    while (end < rest.size() && static_cast<unsigned char>(rest[end - 1]) >= 0x40) ++end;
    std::u16string piece = Utf16FromGbk(rest.substr(0, end));
    text.append(reinterpret_cast<const QChar*>(piece.data()), static_cast<qsizetype>(piece.size()));
    rest.remove_prefix(end);
  }
  return text;
}

Text FromQString(const QString& text) {
  std::u16string_view rest(reinterpret_cast<const char16_t*>(text.utf16()),
                           static_cast<std::size_t>(text.size()));
  rest = rest.substr(0, rest.find(u'\0'));
  Text gbk;
  gbk.reserve(rest.size() * 2);
  while (!rest.empty()) {
    // Never between the two halves of a surrogate pair.
    std::size_t end = std::min(rest.size(), kPiece);
    if (end < rest.size() && QChar::isHighSurrogate(rest[end - 1])) ++end;
    gbk += GbkFromUtf16(rest.substr(0, end));
    rest.remove_prefix(end);
  }
  return gbk;
}
