// The document's lifecycle, its engine, parsing, path resolution and reading text.
#include "json/json_document.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include "json/document_internal.h"
#include "json/document_script.h"

namespace {

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

JsonDocument::JsonDocument() : name_(kDocumentName), engineDue_(true) {}

JsonDocument::JsonDocument(Text name, ScriptControl engine)
    : name_(std::move(name)), engine_(std::move(engine)) {}

JsonDocument::JsonDocument(JsonDocument&& other) noexcept
    : name_(other.name_),
      engine_(std::move(other.engine_)),
      engineDue_(std::exchange(other.engineDue_, false)) {}

JsonDocument& JsonDocument::operator=(JsonDocument&& other) noexcept {
  if (this != &other) {
    name_ = other.name_;
    engine_ = std::move(other.engine_);
    engineDue_ = std::exchange(other.engineDue_, false);
  }
  return *this;
}

JsonDocument JsonDocument::Copy() { return JsonDocument(name_, Engine()); }

ScriptControl JsonDocument::GetEngine() { return Engine(); }

void JsonDocument::CreateEngine() {
  // The old engine goes first, so that two heaps are never held at once for one document.
  engine_.reset();
  engineDue_ = false;
  engine_ = CreateScriptControl();
  if (engine_ == nullptr) return;
  ScriptSetLanguage(engine_, "JavaScript");
  AddCode(DocumentScript());
  EvalBool("var " + name_ +
           " = {}, str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, 'g')");
}

bool JsonDocument::Parse(const Text& text, bool direct, ParseError* error) {
  // Every Parse starts on a fresh engine; one still due is simply made now.
  if (engine_ == nullptr && !engineDue_) return false;
  CreateEngine();
  if (engine_ == nullptr) return false;
  EvalBool("var " + name_ + " = null");
  AddCode(direct ? "var " + name_ + " = " + text : "var " + name_ + " = eval(" + text + ")");
  if (error != nullptr) ReadParseError(engine_, error);
  return EvalBool(name_ + " != null");
}

bool JsonDocument::Clear() { return EvalBool(name_ + " = {}"); }

Text JsonDocument::ToText() { return EvalText(JsonScript(name_)); }

bool JsonDocument::ResolvePath(Text* path) {
  Text scratch;
  if (path == nullptr) path = &scratch;
  if (TextStartsWith(*path, name_) && EvalBool(*path + " != null")) return true;
  if (path->empty()) {
    *path = name_;
  } else if ((*path)[0] == '[') {
    *path = name_ + *path;
  } else {
    *path = name_ + "." + *path;
  }
  return EvalBool(*path + " != null");
}

Text JsonDocument::GetText(const Text& path, bool asJson) {
  Text resolved = ResolvedPath(path);
  if (asJson) return EvalText(JsonScript(resolved));
  return EvalText(resolved + ".toString()" + kBackslashesBack);
}
