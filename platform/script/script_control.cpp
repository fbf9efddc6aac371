// The script control on Duktape: one heap per engine, every call a protected call held to the
// heap's limits, failures recorded for the Error object.
#include "platform/script/script_control.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "duktape.h"
#include "platform/script/compiled_code_cache.h"
#include "platform/script/engine_strings.h"
#include "platform/script/script_limits.h"

namespace {

constexpr std::chrono::milliseconds kRunningTimeLimit{2000};
constexpr std::chrono::milliseconds kErrorReadingTimeLimit{100};
constexpr std::size_t kMemoryCap = 64u * 1024 * 1024;

constexpr int kSyntaxErrorNumber = 1002;
constexpr int kThrownErrorNumber = 5022;

// What the Error object reports.
struct ErrorRecord {
  int number = 0;
  Text source;
  Text description;
  Text lineText;
  int line = 0;
};

struct Call {
  std::string source;
  duk_uint_t compileFlags = 0;
  bool wantResult = false;
  bool compiled = false;
  ScriptValue result;
  std::optional<std::string> cachedBytecode;  // for programs compiled before
  std::string newBytecode;                    // of a program worth keeping
};

[[noreturn]] void FatalError(void*, const char* message) {
  // Only reached on a fault inside the engine itself: every call we make is a protected one.
  std::fprintf(stderr, "script engine: fatal error: %s\n", message ? message : "");
  std::abort();
}

Text EngineText(duk_context* heap, duk_idx_t index) {
  duk_size_t length = 0;
  const char* bytes = duk_get_lstring(heap, index, &length);
  return bytes == nullptr ? Text() : TextFromEngineString(std::string_view(bytes, length));
}

// Reads the value at the stack top; an object gives way to its default value, which may run
// script and throw (we are inside a protected call).
ScriptValue ReadValue(duk_context* heap) {
  ScriptValue value;
  if (duk_is_object(heap, -1) || duk_is_buffer(heap, -1) || duk_is_pointer(heap, -1) ||
      duk_is_lightfunc(heap, -1)) {
    value.object = true;
    duk_to_primitive(heap, -1, DUK_HINT_NONE);
  }
  if (duk_is_symbol(heap, -1)) {
    (void)duk_type_error(heap, "a symbol has no automation value");
  }
  switch (duk_get_type(heap, -1)) {
    case DUK_TYPE_NULL:
      value.kind = ScriptValue::Kind::kNull;
      break;
    case DUK_TYPE_BOOLEAN:
      value.kind = ScriptValue::Kind::kBool;
      value.boolean = duk_get_boolean(heap, -1);
      break;
    case DUK_TYPE_NUMBER:
      value.kind = ScriptValue::Kind::kNumber;
      value.number = duk_get_number(heap, -1);
      break;
    case DUK_TYPE_UNDEFINED:
    case DUK_TYPE_NONE:
      break;
    default:
      duk_to_string(heap, -1);
      [[fallthrough]];
    case DUK_TYPE_STRING:
      value.kind = ScriptValue::Kind::kText;
      value.text = EngineText(heap, -1);
      break;
  }
  return value;
}

// Leaves the compiled program on the stack, loaded from bytecode kept from an earlier compile
// of the same text when there is one.
void CompileOrLoad(duk_context* heap, Call& call) {
  if (call.cachedBytecode) {
    void* buffer = duk_push_fixed_buffer(heap, call.cachedBytecode->size());
    std::memcpy(buffer, call.cachedBytecode->data(), call.cachedBytecode->size());
    duk_load_function(heap);
    return;
  }
  duk_push_lstring(heap, call.source.data(), call.source.size());
  duk_push_string(heap, "script");
  duk_compile(heap, call.compileFlags);
  if (call.compileFlags == 0 && call.source.size() >= kSmallestCachedProgram) {
    duk_dup_top(heap);
    duk_dump_function(heap);
    duk_size_t size = 0;
    const char* bytes = static_cast<const char*>(duk_get_buffer_data(heap, -1, &size));
    call.newBytecode.assign(bytes, size);
    duk_pop(heap);
  }
}

duk_ret_t RunCall(duk_context* heap, void* data) {
  auto& call = *static_cast<Call*>(data);
  CompileOrLoad(heap, call);
  call.compiled = true;
  duk_call(heap, 0);
  if (call.wantResult) call.result = ReadValue(heap);
  return 0;
}

// Property `name` of the error at index -1 as a string or a number, when it is one.
void ReadErrorProperty(duk_context* heap, const char* name, Text* text, int* number) {
  duk_get_prop_string(heap, -1, name);
  if (text != nullptr && duk_is_string(heap, -1) && !duk_is_symbol(heap, -1)) {
    *text = EngineText(heap, -1);
  }
  if (number != nullptr && duk_is_number(heap, -1)) {
    *number = static_cast<int>(duk_get_number(heap, -1));
  }
  duk_pop(heap);
}

int ErrorNumber(const Text& name) {
  static const struct {
    const char* name;
    int number;
  } kNumbers[] = {{"SyntaxError", kSyntaxErrorNumber},
                  {"ReferenceError", 5009},
                  {"TypeError", 5007},
                  {"RangeError", 5029}};
  for (const auto& entry : kNumbers) {
    if (name == entry.name) return entry.number;
  }
  return kThrownErrorNumber;
}

// Describes the thrown value at index -1; reading its properties may run script.
duk_ret_t DescribeError(duk_context* heap, void* data) {
  ErrorRecord& record = *static_cast<ErrorRecord*>(data);
  if (!duk_is_error(heap, -1)) return 0;
  Text name;
  ReadErrorProperty(heap, "name", &name, nullptr);
  record.number = ErrorNumber(name);
  ReadErrorProperty(heap, "message", &record.description, nullptr);
  ReadErrorProperty(heap, "lineNumber", nullptr, &record.line);
  return 0;
}

// Line `line` (1-based) of code, without its line end.
Text CodeLine(const Text& code, int line) {
  std::size_t start = 0;
  for (int i = 1; i < line; ++i) {
    start = code.find('\n', start);
    if (start == Text::npos) return Text();
    ++start;
  }
  std::size_t end = code.find('\n', start);
  Text text = code.substr(start, end == Text::npos ? Text::npos : end - start);
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

bool IsLanguage(const Text& language) {
  Text lower = language;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower == "javascript" || lower == "jscript";
}

}  // namespace

class ScriptEngine {
 public:
  ScriptEngine() {
    limits_.memoryCap = kMemoryCap;
    heap_ = duk_create_heap(ScriptAlloc, ScriptRealloc, ScriptFree, &limits_, FatalError);
  }

  ~ScriptEngine() {
    if (heap_ == nullptr) return;
    // Finalizers that run now get no time at all.
    ScriptLimitScope stopped(limits_);
    duk_destroy_heap(heap_);
  }

  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  bool Created() const { return heap_ != nullptr; }

  // The engine's own "Duktape" object is the one global beyond the standard built-ins; scripts
  // get no way to finalizers, coroutines or the engine's internals.
  bool RemoveEngineGlobals() {
    return Run("delete this.Duktape", DUK_COMPILE_EVAL, false);
  }

  bool SetLanguage(const Text& language) {
    if (!IsLanguage(language)) return false;
    languageSet_ = true;
    return true;
  }

  bool AddCode(const Text& code) { return Run(code, 0, false); }

  std::optional<ScriptValue> Eval(const Text& code) {
    if (!Run(code, DUK_COMPILE_EVAL, true)) return std::nullopt;
    return std::move(result_);
  }

  std::optional<ScriptValue> ErrorProperty(std::string_view name) const {
    auto number = [](int n) {
      ScriptValue value;
      value.kind = ScriptValue::Kind::kNumber;
      value.number = n;
      return value;
    };
    auto text = [](const Text& t) {
      ScriptValue value;
      value.kind = ScriptValue::Kind::kText;
      value.text = t;
      return value;
    };
    if (name == "Number") return number(error_.number);
    if (name == "Source") return text(error_.source);
    if (name == "Description") return text(error_.description);
    if (name == "HelpFile") return text(Text());
    if (name == "HelpContext") return number(0);
    if (name == "Text") return text(error_.lineText);
    if (name == "Line") return number(error_.line);
    if (name == "Column") return number(0);
    return std::nullopt;
  }

  bool LanguageSet() const { return languageSet_; }

 private:
  bool Run(const Text& code, duk_uint_t compileFlags, bool wantResult) {
    error_ = ErrorRecord();
    Call call;
    call.source = EngineStringFromText(code);
    call.compileFlags = compileFlags;
    call.wantResult = wantResult;
    if (compileFlags == 0 && call.source.size() >= kSmallestCachedProgram) {
      call.cachedBytecode = FindCompiledCode(call.source);
    }
    bool ok = false;
    {
      ScriptLimitScope limited(limits_, kRunningTimeLimit);
      ok = duk_safe_call(heap_, RunCall, &call, 0, 1) == DUK_EXEC_SUCCESS;
    }
    if (!call.newBytecode.empty()) KeepCompiledCode(call.source, std::move(call.newBytecode));
    if (ok) {
      result_ = std::move(call.result);
    } else {
      error_ = DescribeFailure(call.compiled);
      if (!call.compiled) error_.lineText = CodeLine(code, error_.line);
    }
    duk_set_top(heap_, 0);
    return ok;
  }

  // Describes the thrown value at the stack top. A call that ran out of time has no time left,
  // so the description gets a short budget of its own (reading an error may run its getters).
  ErrorRecord DescribeFailure(bool compiled) {
    ErrorRecord record;
    record.number = kThrownErrorNumber;
    record.source = compiled ? "JavaScript runtime error" : "JavaScript compilation error";
    record.description = "Exception thrown and not caught";
    ScriptLimitScope limited(limits_, kErrorReadingTimeLimit);
    duk_safe_call(heap_, DescribeError, &record, 1, 1);
    return record;
  }

  ScriptHeapLimits limits_;
  duk_context* heap_ = nullptr;
  bool languageSet_ = false;
  ErrorRecord error_;
  ScriptValue result_;
};

ScriptControl CreateScriptControl() {
  auto engine = std::make_shared<ScriptEngine>();
  if (!engine->Created() || !engine->RemoveEngineGlobals()) return nullptr;
  return engine;
}

bool ScriptSetLanguage(const ScriptControl& engine, const Text& language) {
  return engine != nullptr && engine->SetLanguage(language);
}

bool ScriptAddCode(const ScriptControl& engine, const Text& code) {
  return engine != nullptr && engine->LanguageSet() && engine->AddCode(code);
}

std::optional<ScriptValue> ScriptEval(const ScriptControl& engine, const Text& code) {
  if (engine == nullptr || !engine->LanguageSet()) return std::nullopt;
  return engine->Eval(code);
}

std::optional<ScriptValue> ScriptErrorProperty(const ScriptControl& engine,
                                               std::string_view name) {
  if (engine == nullptr) return std::nullopt;
  return engine->ErrorProperty(name);
}
