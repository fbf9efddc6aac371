// The engine call forms every document operation goes through, and the engine they reach.
#include "json/document_internal.h"
#include "json/json_document.h"

const ScriptControl& JsonDocument::Engine() {
  if (engineDue_) CreateEngine();
  return engine_;
}

bool JsonDocument::AddCode(const Text& code) { return ScriptAddCode(Engine(), code); }

bool JsonDocument::EvalBool(const Text& code) {
  std::optional<ScriptValue> value = ScriptEval(Engine(), code);
  return value && ScriptValueToBool(*value).value_or(false);
}

Text JsonDocument::EvalText(const Text& code) {
  std::optional<ScriptValue> value = ScriptEval(Engine(), code);
  return value ? ScriptValueToText(*value).value_or(Text()) : Text();
}

double JsonDocument::EvalNumber(const Text& code) {
  std::optional<ScriptValue> value = ScriptEval(Engine(), code);
  return value ? ScriptValueToNumber(*value).value_or(0.0) : 0.0;
}

void JsonDocument::Exec(const Text& code) { ScriptEval(Engine(), code); }

Text JsonDocument::ResolvedPath(const Text& path, bool* found) {
  Text resolved = path;
  bool holdsValue = ResolvePath(&resolved);
  if (found != nullptr) *found = holdsValue;
  return resolved;
}

Text JsonScript(const Text& expression) {
  return "JSON.stringify(" + expression + ")" + kBackslashesBack;
}
