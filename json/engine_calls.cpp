// The engine call forms every document operation goes through.
#include "json/document_internal.h"
#include "json/json_document.h"

bool JsonDocument::AddCode(const Text& code) { return ScriptAddCode(engine_, code); }

bool JsonDocument::EvalBool(const Text& code) {
  std::optional<ScriptValue> value = ScriptEval(engine_, code);
  return value && ScriptValueToBool(*value).value_or(false);
}

Text JsonDocument::EvalText(const Text& code) {
  std::optional<ScriptValue> value = ScriptEval(engine_, code);
  return value ? ScriptValueToText(*value).value_or(Text()) : Text();
}

double JsonDocument::EvalNumber(const Text& code) {
  std::optional<ScriptValue> value = ScriptEval(engine_, code);
  return value ? ScriptValueToNumber(*value).value_or(0.0) : 0.0;
}

void JsonDocument::Exec(const Text& code) { ScriptEval(engine_, code); }

Text JsonDocument::ResolvedPath(const Text& path, bool* found) {
  Text resolved = path;
  bool holdsValue = ResolvePath(&resolved);
  if (found != nullptr) *found = holdsValue;
  return resolved;
}

Text JsonScript(const Text& expression) {
  return "JSON.stringify(" + expression + ")" + kBackslashesBack;
}
