// The document's table, its lifecycle, parsing, path resolution and reading text.
#include "json/json_document.h"

#include <cmath>
#include <cstdint>

#include "json/document_internal.h"
#include "json/document_script.h"

namespace {

const JsonDocumentTable kTable = {
    DestroyDocument,     CopyDocument,          CreateDocumentEngine, ParseDocument,
    ClearDocument,       DocumentToText,        SetDocumentValue,     SetDocumentJson,
    ResolveDocumentPath, DocumentValueExists,   GetDocumentType,      GetDocumentText,
    GetDocumentNames,    GetDocumentCount,      GetSubDocument,       AddDocumentItem,
    GetItemSubDocument,  GetDocumentItemText,   SetDocumentItem,      RemoveDocumentItem,
    DeleteDocumentValue, SetDocumentNumber,     GetDocumentNumber,    GetDocumentJson,
    GetDocumentEngine,   GetDocumentLeafValues,
};

const Text kDocumentName = "da";

// Error numbers come as reals: truncated toward zero, the low 32 bits kept.
int LowBitsOf(double number) {
  if (!std::isfinite(number) || std::fabs(number) >= 9.2e18) return 0;
  return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::int64_t>(number)));
}

int ErrorNumberProperty(const ScriptControl& engine, const char* name) {
  std::optional<ScriptValue> value = ScriptErrorProperty(engine, name);
  return value ? LowBitsOf(ScriptValueToNumber(*value).value_or(0.0)) : 0;
}

Text ErrorTextProperty(const ScriptControl& engine, const char* name) {
  std::optional<ScriptValue> value = ScriptErrorProperty(engine, name);
  return value ? ScriptValueToText(*value).value_or(Text()) : Text();
}

void ReadParseError(const ScriptControl& engine, ParseError* error) {
  error->number = ErrorNumberProperty(engine, "Number");
  error->source = ErrorTextProperty(engine, "Source");
  error->description = ErrorTextProperty(engine, "Description");
  error->helpFile = ErrorTextProperty(engine, "HelpFile");
  error->helpContext = ErrorNumberProperty(engine, "HelpContext");
  error->lineText = ErrorTextProperty(engine, "Text");
  error->line = ErrorNumberProperty(engine, "Line");
  error->column = ErrorNumberProperty(engine, "Column");
}

}  // namespace

JsonDocument::JsonDocument() : table(&kTable), name(kDocumentName) { table->CreateEngine(this); }

JsonDocument::JsonDocument(UnconstructedTag) : table(&kTable) {}

std::unique_ptr<JsonDocument> JsonDocument::Unconstructed() {
  return std::unique_ptr<JsonDocument>(new JsonDocument(UnconstructedTag{}));
}

void DestroyDocument(JsonDocument* self) {
  // No COM apartment to leave here: the engine needs none.
  self->engine.reset();
  self->name.clear();
}

std::unique_ptr<JsonDocument> CopyDocument(JsonDocument* self) {
  std::unique_ptr<JsonDocument> copy = JsonDocument::Unconstructed();
  copy->name = self->name;
  copy->engine = self->engine;
  return copy;
}

void CreateDocumentEngine(JsonDocument* self) {
  self->engine = CreateScriptControl();
  if (self->engine == nullptr) return;
  ScriptSetLanguage(self->engine, "JavaScript");
  AddCode(self->engine, DocumentScript());
  EvalBool(self->engine, "var " + self->name +
                             " = {}, str_Code = String.fromCharCode(9216), str_reg = new "
                             "RegExp(str_Code, 'g')");
}

bool ParseDocument(JsonDocument* self, const Text& text, bool direct, ParseError* error) {
  if (self->engine != nullptr) {
    self->engine.reset();
    self->table->CreateEngine(self);
  }
  if (self->engine == nullptr) return false;
  EvalBool(self->engine, "var " + self->name + " = null");
  AddCode(self->engine, direct ? "var " + self->name + " = " + text
                               : "var " + self->name + " = eval(" + text + ")");
  if (error != nullptr) ReadParseError(self->engine, error);
  return EvalBool(self->engine, self->name + " != null");
}

bool ClearDocument(JsonDocument* self) { return EvalBool(self->engine, self->name + " = {}"); }

Text DocumentToText(JsonDocument* self) { return EvalText(self->engine, JsonScript(self->name)); }

bool ResolveDocumentPath(JsonDocument* self, Text* path) {
  Text scratch;
  if (path == nullptr) path = &scratch;
  if (TextStartsWith(*path, self->name) && EvalBool(self->engine, *path + " != null")) {
    return true;
  }
  if (path->empty()) {
    *path = self->name;
  } else if ((*path)[0] == '[') {
    *path = self->name + *path;
  } else {
    *path = self->name + "." + *path;
  }
  return EvalBool(self->engine, *path + " != null");
}

Text GetDocumentText(JsonDocument* self, const Text& path, bool asJson) {
  Text resolved = ResolvedPath(self, path);
  if (asJson) return EvalText(self->engine, JsonScript(resolved));
  return EvalText(self->engine, resolved + ".toString()" + kBackslashesBack);
}
