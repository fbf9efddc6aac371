// Writing, testing, typing, deleting and reading single values of the document.
#include "json/document_internal.h"
#include "json/json_document.h"

namespace {

// The value as the body of a single-quoted script literal.
Text QuotedLiteralBody(const Text& value) {
  static const struct {
    const char* found;
    const char* replacement;
  } kEscapes[] = {
      {"\\", "\\\\"}, {"'", "\\'"}, {"\"", "\\\""}, {"\r", "\\r"}, {"\n", "\\n"},
  };
  Text body = value;
  for (const auto& escape : kEscapes) {
    body =
        ReplaceText(body, escape.found, Text(escape.replacement), std::nullopt, std::nullopt, true);
  }
  return body;
}

Text TypeTagScript(const Text& expression) {
  return "Object.prototype.toString.call(" + expression + ")";
}

}  // namespace

bool JsonDocument::SetValue(const Text& path, const Text& value, bool asJson) {
  bool found = false;
  Text resolved = ResolvedPath(path, &found);
  if (asJson) {
    // An empty value merges as an empty object but assigns as nothing at all.
    Text merged = value.empty() ? Text("{}") : value;
    Text tag = EvalText(TypeTagScript(resolved));
    if (found && tag == "[object Object]") {
      return EvalBool(resolved + " = get__extend(" + resolved + ", " + merged + ")");
    }
    return EvalBool(resolved + " = eval(" + value + ")");
  }
  // Backslashes are kept as U+2400 inside the engine and given back on the way out.
  return EvalBool(resolved + " = '" + QuotedLiteralBody(value) + "'.replace(/\\\\/g, str_Code)");
}

bool JsonDocument::SetJson(const Text& path, const Text& json) {
  Text resolved = ResolvedPath(path);
  return EvalBool(resolved + " = eval(" + json + ")");
}

bool JsonDocument::Exists(const Text& path) {
  bool found = false;
  ResolvedPath(path, &found);
  return found;
}

int JsonDocument::GetType(const Text& path) {
  Text resolved = ResolvedPath(path);
  if (EvalBool(resolved + " == null")) return kJsonMissing;
  static const struct {
    const char* tag;
    JsonType type;
  } kTypes[] = {
      {"[object String]", kJsonString},   {"[object Array]", kJsonArray},
      {"[object Object]", kJsonObject},   {"[object Number]", kJsonNumber},
      {"[object Boolean]", kJsonBoolean},
  };
  Text tag = EvalText(TypeTagScript(resolved));
  for (const auto& entry : kTypes) {
    if (tag == entry.tag) return entry.type;
  }
  return kJsonOther;
}

bool JsonDocument::DeleteValue(const Text& path) {
  Text resolved = ResolvedPath(path);
  return EvalBool("delete " + resolved);
}

bool JsonDocument::SetNumber(const Text& path, double number) {
  Text numberText = NumberToText(number);
  Text resolved = ResolvedPath(path);
  return EvalBool(resolved + " = " + numberText);
}

double JsonDocument::GetNumber(const Text& path) { return EvalNumber(ResolvedPath(path)); }

Text JsonDocument::GetJson(const Text& path) { return EvalText(JsonScript(ResolvedPath(path))); }
