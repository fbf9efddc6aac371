// Conversions between texts and numbers.
#include "text/text.h"

#include <climits>
#include <cmath>
#include <cstdio>

namespace {

// Full-width digits, signs and the full-width space read as their ASCII forms.
Text NarrowNumberCharacters(const Text& t) {
  Text narrow;
  for (std::size_t i = 0; i < t.size(); ++i) {
    unsigned char lead = t[i];
    if (lead < 0x80) {
      narrow += t[i];
      continue;
    }
    unsigned char trail = i + 1 < t.size() ? t[i + 1] : 0;
    if (lead == 0xA3 && trail >= 0xB0 && trail <= 0xB9) {
      narrow += static_cast<char>('0' + (trail - 0xB0));
    } else if (lead == 0xA3 && trail == 0xAB) {
      narrow += '+';
    } else if (lead == 0xA3 && trail == 0xAD) {
      narrow += '-';
    } else if (lead == 0xA1 && trail == 0xA1) {
      narrow += ' ';
    } else {
      narrow.append(t, i, 2);
    }
    ++i;
  }
  return narrow;
}

bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

int TextToInt(const Text& t) {
  Text narrow = NarrowNumberCharacters(t);
  std::size_t i = 0;
  while (i < narrow.size() && IsWhiteSpace(narrow[i])) ++i;
  bool negative = false;
  if (i < narrow.size() && (narrow[i] == '+' || narrow[i] == '-')) negative = narrow[i++] == '-';
  std::uint32_t value = 0;  // unsigned so that overflow wraps modulo 2^32
  for (; i < narrow.size() && narrow[i] >= '0' && narrow[i] <= '9'; ++i) {
    value = value * 10u + static_cast<std::uint32_t>(narrow[i] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

int TextToInt(double value) {
  double truncated = std::trunc(value);
  if (!(truncated >= INT_MIN && truncated <= INT_MAX)) return INT_MIN;
  return static_cast<int>(truncated);
}

Text NumberToText(int value) { return std::to_string(value); }

Text NumberToText(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.13g", value);
  return buffer;
}

std::uint8_t ToByte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }
