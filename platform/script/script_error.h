// The Error object: what the engine reports about its last failed call. Internal to
// platform/script.
#pragma once

#include <optional>
#include <string_view>

#include "duktape.h"
#include "platform/script/script_control.h"

struct ScriptErrorRecord {
  int number = 0;
  Text source;
  Text description;
  Text lineText;
  int line = 0;
};

// Describes the value thrown by a call of code, found at the top of heap's stack. Reading an
// error's properties may run script: call it under a time budget. compiled tells a failed run
// from code that did not compile.
ScriptErrorRecord DescribeThrownValue(duk_context* heap, bool compiled, const Text& code);

// One property of the Error object, by the script control's names; empty for another name.
std::optional<ScriptValue> ErrorObjectProperty(const ScriptErrorRecord& record,
                                               std::string_view name);
