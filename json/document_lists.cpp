// Member names, leaf values, arrays and sub-documents.
#include "json/document_internal.h"
#include "json/json_document.h"

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
JsonDocument DocumentHolding(const Text& json) {
  JsonDocument made;
  made.Parse(json);
  return made;
}

}  // namespace

int JsonDocument::GetNames(TextArray* names, const Text& path) {
  TextArray scratch;
  if (names == nullptr) names = &scratch;
  Text resolved = ResolvedPath(path);
  *names = SplitText(EvalText("get__name_All(" + resolved + ")"), "\r\n");
  return static_cast<int>(names->size());
}

int JsonDocument::GetCount(const Text& path) {
  Text resolved = ResolvedPath(path);
  return TextToInt(EvalNumber("get__count(" + resolved + ")"));
}

JsonDocument JsonDocument::GetDocument(const Text& path) {
  return DocumentHolding(EvalText(JsonScript(ResolvedPath(path))));
}

bool JsonDocument::AddItem(const Text& value, const Text& path, bool raw, bool atFront) {
  Text resolved = ResolvedPath(path);
  return EvalBool("if (Object.prototype.toString.call(" + resolved + ") != '[object Array]') { " +
                  resolved + " = new Array() } " + resolved + (atFront ? ".unshift(" : ".push(") +
                  ItemScript(value, raw) + ")");
}

JsonDocument JsonDocument::GetItemDocument(int index, const Text& path) {
  return DocumentHolding(EvalText(JsonScript(ItemPath(ResolvedPath(path), index))));
}

Text JsonDocument::GetItemText(int index, const Text& path, bool asJson) {
  Text item = ItemPath(ResolvedPath(path), index);
  if (asJson) return EvalText(JsonScript(item));
  return EvalText(item + kBackslashesBack);
}

bool JsonDocument::SetItem(int index, const Text& path, const Text& value, bool raw) {
  Text item = ItemPath(ResolvedPath(path), index);
  return EvalBool(item + " = " + ItemScript(value, raw));
}

bool JsonDocument::RemoveItem(int index, const Text& path) {
  Text resolved = ResolvedPath(path);
  return EvalBool(resolved + ".splice(" + NumberToText(index) + ", 1)");
}

int JsonDocument::GetLeafValues(TextArray* values, const Text& path, bool recursive) {
  TextArray scratch;
  if (values == nullptr) values = &scratch;
  Text resolved = ResolvedPath(path);
  Exec("var str_all = new Array()");
  Exec("get__nodeValue(" + resolved + ", " + (recursive ? "true" : "false") + ")");
  *values = SplitText(EvalText("str_all.join('" + kLeafSeparator + "')"), kLeafSeparator);
  return static_cast<int>(values->size());
}
