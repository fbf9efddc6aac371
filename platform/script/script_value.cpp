// The automation conversion rules for values handed out by the engine.
#include <charconv>
#include <cmath>

#include "platform/script/script_control.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? a[i] - 'A' + 'a' : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number with optional sign, fraction and exponent, blanks around it allowed; no hex,
// no infinity or NaN spelled out.
std::optional<double> DecimalNumber(std::string_view text) {
  std::string_view s = Trimmed(text);
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i) ++digits;
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && IsDigit(s[i]); ++i) ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t exponentDigits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i) ++exponentDigits;
    if (exponentDigits == 0) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  if (s.front() == '+') s.remove_prefix(1);  // from_chars takes no plus sign
  double number = 0;
  if (std::from_chars(s.data(), s.data() + s.size(), number).ec != std::errc()) {
    return std::nullopt;
  }
  return number;
}

Text NumberText(double number) {
  if (std::isnan(number)) return "NaN";
  if (std::isinf(number)) return number > 0 ? "Infinity" : "-Infinity";
  // Like "%.15G", without the C locale's say in the decimal point.
  char buffer[32];
  auto end =
      std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::general, 15).ptr;
  Text text(buffer, end);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

}  // namespace

std::optional<bool> ScriptValueToBool(const ScriptValue& value) {
  if (value.object) return true;
  switch (value.kind) {
    case ScriptValue::Kind::kEmpty:
      return false;
    case ScriptValue::Kind::kNull:
      return std::nullopt;
    case ScriptValue::Kind::kBool:
      return value.boolean;
    case ScriptValue::Kind::kNumber:
      return value.number != 0;
    case ScriptValue::Kind::kText: {
      std::string_view word = Trimmed(value.text);
      if (EqualsIgnoringCase(word, "true")) return true;
      if (EqualsIgnoringCase(word, "false")) return false;
      std::optional<double> number = DecimalNumber(value.text);
      if (!number) return std::nullopt;
      return *number != 0;
    }
  }
  return std::nullopt;
}

std::optional<Text> ScriptValueToText(const ScriptValue& value) {
  switch (value.kind) {
    case ScriptValue::Kind::kEmpty:
      return Text();
    case ScriptValue::Kind::kNull:
      return std::nullopt;
    case ScriptValue::Kind::kBool:
      return Text(value.boolean ? "True" : "False");
    case ScriptValue::Kind::kNumber:
      return NumberText(value.number);
    case ScriptValue::Kind::kText:
      return value.text;
  }
  return std::nullopt;
}

std::optional<double> ScriptValueToNumber(const ScriptValue& value) {
  switch (value.kind) {
    case ScriptValue::Kind::kEmpty:
      return 0.0;
    case ScriptValue::Kind::kNull:
      return std::nullopt;
    case ScriptValue::Kind::kBool:
      return value.boolean ? -1.0 : 0.0;
    case ScriptValue::Kind::kNumber:
      return value.number;
    case ScriptValue::Kind::kText:
      return DecimalNumber(value.text);
  }
  return std::nullopt;
}
