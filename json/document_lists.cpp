// Member names, leaf values, arrays and sub-documents.
#include "json/document_internal.h"

namespace {

// Splits GetLeafValues' joined text; a value holding it falls apart.
const Text kLeafSeparator = "[2020年7月20日20时0分0秒]";

// Without raw, a value goes in as a quoted text, deliberately unescaped.
Text ItemScript(const Text& value, bool raw) { return raw ? value : "'" + value + "'"; }

Text ItemPath(const Text& resolved, int index) {
  return resolved + "[" + NumberToText(index) + "]";
}

// A new document with an engine of its own holding the value of json; the text passes through
// Parse, so a backslash given back on the way out is read there as a script escape.
std::unique_ptr<JsonDocument> DocumentHolding(const Text& json) {
  auto made = std::make_unique<JsonDocument>();
  made->Parse(json);
  std::unique_ptr<JsonDocument> result = made->Copy();
  made->Destroy();
  return result;
}

}  // namespace

int GetDocumentNames(JsonDocument* self, TextArray* names, const Text& path) {
  TextArray scratch;
  if (names == nullptr) names = &scratch;
  Text resolved = ResolvedPath(self, path);
  *names = SplitText(EvalText(self->engine, "get__name_All(" + resolved + ")"), "\r\n");
  return static_cast<int>(names->size());
}

int GetDocumentCount(JsonDocument* self, const Text& path) {
  Text resolved = ResolvedPath(self, path);
  return TextToInt(EvalNumber(self->engine, "get__count(" + resolved + ")"));
}

std::unique_ptr<JsonDocument> GetSubDocument(JsonDocument* self, const Text& path) {
  return DocumentHolding(EvalText(self->engine, JsonScript(ResolvedPath(self, path))));
}

bool AddDocumentItem(JsonDocument* self, const Text& value, const Text& path, bool raw,
                     bool atFront) {
  Text resolved = ResolvedPath(self, path);
  return EvalBool(self->engine, "if (Object.prototype.toString.call(" + resolved +
                                    ") != '[object Array]') { " + resolved + " = new Array() } " +
                                    resolved + (atFront ? ".unshift(" : ".push(") +
                                    ItemScript(value, raw) + ")");
}

std::unique_ptr<JsonDocument> GetItemSubDocument(JsonDocument* self, int index, const Text& path) {
  return DocumentHolding(
      EvalText(self->engine, JsonScript(ItemPath(ResolvedPath(self, path), index))));
}

Text GetDocumentItemText(JsonDocument* self, int index, const Text& path, bool asJson) {
  Text item = ItemPath(ResolvedPath(self, path), index);
  if (asJson) return EvalText(self->engine, JsonScript(item));
  return EvalText(self->engine, item + kBackslashesBack);
}

bool SetDocumentItem(JsonDocument* self, int index, const Text& path, const Text& value, bool raw) {
  Text item = ItemPath(ResolvedPath(self, path), index);
  return EvalBool(self->engine, item + " = " + ItemScript(value, raw));
}

bool RemoveDocumentItem(JsonDocument* self, int index, const Text& path) {
  Text resolved = ResolvedPath(self, path);
  return EvalBool(self->engine, resolved + ".splice(" + NumberToText(index) + ", 1)");
}

int GetDocumentLeafValues(JsonDocument* self, TextArray* values, const Text& path, bool recursive) {
  TextArray scratch;
  if (values == nullptr) values = &scratch;
  Text resolved = ResolvedPath(self, path);
  Exec(self->engine, "var str_all = new Array()");
  Exec(self->engine, "get__nodeValue(" + resolved + ", " + (recursive ? "true" : "false") + ")");
  *values =
      SplitText(EvalText(self->engine, "str_all.join('" + kLeafSeparator + "')"), kLeafSeparator);
  return static_cast<int>(values->size());
}
