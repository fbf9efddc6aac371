// Error numbers follow the script control's for the common cases, so that a caller that knows
// them (1002 a syntax error) reads ours the same way.
#include "platform/script/script_error.h"

#include <cmath>

#include "platform/script/engine_strings.h"

namespace {

constexpr int kThrownErrorNumber = 5022;

int ErrorNumber(const Text& name) {
  static const struct {
    const char* name;
    int number;
  } kNumbers[] = {
      {"SyntaxError", 1002}, {"ReferenceError", 5009}, {"TypeError", 5007}, {"RangeError", 5029}};
  for (const auto& entry : kNumbers) {
    if (name == entry.name) return entry.number;
  }
  return kThrownErrorNumber;
}

// Property `name` of the value at index -1, as text or as a line number, when it is one.
void ReadProperty(duk_context* heap, const char* name, Text* text, int* line) {
  duk_get_prop_string(heap, -1, name);
  if (text != nullptr && duk_is_string(heap, -1) && !duk_is_symbol(heap, -1)) {
    *text = TextAt(heap, -1);
  }
  if (line != nullptr && duk_is_number(heap, -1)) {
    double number = duk_get_number(heap, -1);
    if (number >= 0 && number <= 1e9) *line = static_cast<int>(number);
  }
  duk_pop(heap);
}

duk_ret_t ReadError(duk_context* heap, void* data) {
  auto& record = *static_cast<ScriptErrorRecord*>(data);
  if (!duk_is_error(heap, -1)) return 0;
  Text name;
  ReadProperty(heap, "name", &name, nullptr);
  record.number = ErrorNumber(name);
  ReadProperty(heap, "message", &record.description, nullptr);
  ReadProperty(heap, "lineNumber", nullptr, &record.line);
  return 0;
}

// Line `line` (1-based) of code, without its line end.
Text CodeLine(const Text& code, int line) {
  std::size_t start = 0;
  for (int i = 1; i < line; ++i) {
    start = code.find('\n', start);
    if (start == Text::npos) return Text();
    ++start;
  }
  std::size_t end = code.find('\n', start);
  Text text = code.substr(start, end == Text::npos ? Text::npos : end - start);
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

ScriptValue NumberValue(int number) {
  ScriptValue value;
  value.kind = ScriptValue::Kind::kNumber;
  value.number = number;
  return value;
}

ScriptValue TextValue(const Text& text) {
  ScriptValue value;
  value.kind = ScriptValue::Kind::kText;
  value.text = text;
  return value;
}

}  // namespace

ScriptErrorRecord DescribeThrownValue(duk_context* heap, bool compiled, const Text& code) {
  ScriptErrorRecord record;
  record.number = kThrownErrorNumber;
  record.source = compiled ? "JavaScript runtime error" : "JavaScript compilation error";
  record.description = "Exception thrown and not caught";
  duk_safe_call(heap, ReadError, &record, 1, 1);
  if (!compiled) record.lineText = CodeLine(code, record.line);
  return record;
}

std::optional<ScriptValue> ErrorObjectProperty(const ScriptErrorRecord& record,
                                               std::string_view name) {
  if (name == "Number") return NumberValue(record.number);
  if (name == "Source") return TextValue(record.source);
  if (name == "Description") return TextValue(record.description);
  if (name == "HelpFile") return TextValue(Text());
  if (name == "HelpContext") return NumberValue(0);
  if (name == "Text") return TextValue(record.lineText);
  if (name == "Line") return NumberValue(record.line);
  if (name == "Column") return NumberValue(0);  // the engine tracks lines only
  return std::nullopt;
}
