// Writing, testing, typing, deleting and reading single values of the document.
#include "json/document_internal.h"

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

bool SetDocumentValue(JsonDocument* self, const Text& path, const Text& value, bool asJson) {
  bool found = false;
  Text resolved = ResolvedPath(self, path, &found);
  if (asJson) {
    // An empty value merges as an empty object but assigns as nothing at all.
    Text merged = value.empty() ? Text("{}") : value;
    Text tag = EvalText(self->engine, TypeTagScript(resolved));
    if (found && tag == "[object Object]") {
      return EvalBool(self->engine, resolved + " = get__extend(" + resolved + ", " + merged + ")");
    }
    return EvalBool(self->engine, resolved + " = eval(" + value + ")");
  }
  // Backslashes are kept as U+2400 inside the engine and given back on the way out.
  return EvalBool(self->engine,
                  resolved + " = '" + QuotedLiteralBody(value) + "'.replace(/\\\\/g, str_Code)");
}

bool SetDocumentJson(JsonDocument* self, const Text& path, const Text& json) {
  Text resolved = ResolvedPath(self, path);
  return EvalBool(self->engine, resolved + " = eval(" + json + ")");
}

bool DocumentValueExists(JsonDocument* self, const Text& path) {
  bool found = false;
  ResolvedPath(self, path, &found);
  return found;
}

int GetDocumentType(JsonDocument* self, const Text& path) {
  Text resolved = ResolvedPath(self, path);
  if (EvalBool(self->engine, resolved + " == null")) return kJsonMissing;
  static const struct {
    const char* tag;
    JsonType type;
  } kTypes[] = {
      {"[object String]", kJsonString},   {"[object Array]", kJsonArray},
      {"[object Object]", kJsonObject},   {"[object Number]", kJsonNumber},
      {"[object Boolean]", kJsonBoolean},
  };
  Text tag = EvalText(self->engine, TypeTagScript(resolved));
  for (const auto& entry : kTypes) {
    if (tag == entry.tag) return entry.type;
  }
  return kJsonOther;
}

bool DeleteDocumentValue(JsonDocument* self, const Text& path) {
  Text resolved = ResolvedPath(self, path);
  return EvalBool(self->engine, "delete " + resolved);
}

bool SetDocumentNumber(JsonDocument* self, const Text& path, double number) {
  Text numberText = NumberToText(number);
  Text resolved = ResolvedPath(self, path);
  return EvalBool(self->engine, resolved + " = " + numberText);
}

double GetDocumentNumber(JsonDocument* self, const Text& path) {
  return EvalNumber(self->engine, ResolvedPath(self, path));
}

Text GetDocumentJson(JsonDocument* self, const Text& path) {
  return EvalText(self->engine, JsonScript(ResolvedPath(self, path)));
}

ScriptControl GetDocumentEngine(JsonDocument* self) { return self->engine; }
