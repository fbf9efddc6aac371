// The engine call forms every document operation goes through.
#include "json/document_internal.h"

bool AddCode(const ScriptControl& engine, const Text& code) { return ScriptAddCode(engine, code); }

bool EvalBool(const ScriptControl& engine, const Text& code) {
  std::optional<ScriptValue> value = ScriptEval(engine, code);
  return value && ScriptValueToBool(*value).value_or(false);
}

Text EvalText(const ScriptControl& engine, const Text& code) {
  std::optional<ScriptValue> value = ScriptEval(engine, code);
  return value ? ScriptValueToText(*value).value_or(Text()) : Text();
}

double EvalNumber(const ScriptControl& engine, const Text& code) {
  std::optional<ScriptValue> value = ScriptEval(engine, code);
  return value ? ScriptValueToNumber(*value).value_or(0.0) : 0.0;
}

void Exec(const ScriptControl& engine, const Text& code) { ScriptEval(engine, code); }

Text ResolvedPath(JsonDocument* self, const Text& path, bool* found) {
  Text resolved = path;
  bool holdsValue = self->table->ResolvePath(self, &resolved);
  if (found != nullptr) *found = holdsValue;
  return resolved;
}

Text JsonScript(const Text& expression) {
  return "JSON.stringify(" + expression + ")" + kBackslashesBack;
}
