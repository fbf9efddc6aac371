#include "web/query_value.h"

#include <cstdio>

#include "platform/codepage/codepage.h"

namespace {
bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}
}  // namespace

Text EncodeQueryValue(const Text& value) {
  Text encoded;
  for (unsigned char c : Utf8FromGbk(value)) {
    if (IsUnreserved(c)) {
      encoded += static_cast<char>(c);
    } else {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", c);
      encoded += escape;
    }
  }
  return encoded;
}
