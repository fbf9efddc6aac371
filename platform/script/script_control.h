// A JavaScript engine shaped like the script control automation object: code is added to and
// evaluated in one persistent global scope, the last failure is described by an Error object,
// and results come back as automation values with the automation conversion rules.
//
// Every engine runs on Duktape without host objects. Each AddCode or Eval may run for at most
// 2 s and the engine may hold at most 64 MiB; reaching either limit, like any syntax error or
// uncaught exception, makes that call fail. Text crosses in and out as GBK (code page 936): a
// character GBK lacks comes back as '?', and a returned string ends at its first U+0000.
// Nothing here throws.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "text/text.h"

class ScriptEngine;

// A reference to an engine object; the engine lives until its last reference is released. Empty
// when no engine could be created. Use an engine on the thread that created it.
using ScriptControl = std::shared_ptr<ScriptEngine>;

// A value handed out by the engine. An object is handed out as its default value (what the
// script's own conversion to a primitive gives, normally its toString()), marked as an object.
struct ScriptValue {
  enum class Kind { kEmpty, kNull, kBool, kNumber, kText };
  Kind kind = Kind::kEmpty;  // kEmpty: undefined
  bool boolean = false;
  double number = 0;
  Text text;
  bool object = false;
};

// A new engine; empty when it cannot be created. It runs nothing until its language is set.
ScriptControl CreateScriptControl();

// Sets the "Language" property: "JavaScript" and "JScript" (any case) are accepted; false for
// any other language and for an empty reference.
bool ScriptSetLanguage(const ScriptControl& engine, const Text& language);

// Runs code at global scope; its declarations stay. False when the code does not compile, throws,
// or runs into a limit; false too without an engine or language.
bool ScriptAddCode(const ScriptControl& engine, const Text& code);

// Evaluates statements and expressions in the same global scope and returns the value of the last
// expression evaluated (for an assignment, the assigned value). Empty on any failure as above.
std::optional<ScriptValue> ScriptEval(const ScriptControl& engine, const Text& code);

// One property of the engine's Error object, describing the last AddCode or Eval (a successful
// call clears it): "Number" (0 or the error's code: 1002 syntax error, 5009 undefined identifier,
// 5007 type error, 5029 range error, limits included, 5022 anything else thrown), "Source",
// "Description", "HelpFile" (always empty), "HelpContext" (always 0), "Text" (the offending line
// of code that failed to compile, else empty), "Line" (1-based, 0 when unknown) and "Column"
// (0: the engine does not track columns). Empty for another name or an empty reference.
std::optional<ScriptValue> ScriptErrorProperty(const ScriptControl& engine, std::string_view name);

// The automation conversions (to VT_BOOL, VT_BSTR, VT_R8); empty when the value does not convert.
// Bool: an object is true (as in the script), undefined is false, numbers are true unless 0, a
// text must read true or false (any case) or be a number. Text: undefined is empty, booleans read
// True or False, numbers use up to 15 significant digits. Number: undefined is 0, true is -1, false
// 0, a text must be a decimal number. Null converts to none of them.
std::optional<bool> ScriptValueToBool(const ScriptValue& value);
std::optional<Text> ScriptValueToText(const ScriptValue& value);
std::optional<double> ScriptValueToNumber(const ScriptValue& value);
