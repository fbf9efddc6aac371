#include "platform/toolkit/qt_text.h"

#include "platform/codepage/codepage.h"

QString ToQString(const Text& gbk) {
  std::u16string utf16 = Utf16FromGbk(gbk);
  return QString(reinterpret_cast<const QChar*>(utf16.data()),
                 static_cast<qsizetype>(utf16.size()));
}

Text FromQString(const QString& text) {
  return GbkFromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                          static_cast<std::size_t>(text.size())));
}
