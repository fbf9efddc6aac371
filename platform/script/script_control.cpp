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
#include "platform/script/script_error.h"
#include "platform/script/script_limits.h"

namespace {

constexpr std::chrono::milliseconds kRunningTimeLimit{2000};
constexpr std::chrono::milliseconds kErrorReadingTimeLimit{100};
constexpr std::size_t kMemoryCap = 64u * 1024 * 1024;

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
      value.text = TextAt(heap, -1);
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
  if (call.compileFlags == 0 && WorthCaching(call.source.size())) {
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

  // The engine's own "Duktape" object would give scripts finalizers, coroutines and the
  // engine's internals; the language's built-ins are all they keep.
  bool RemoveEngineGlobals() { return Run("delete this.Duktape", DUK_COMPILE_EVAL, false); }

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
    return ErrorObjectProperty(error_, name);
  }

  bool LanguageSet() const { return languageSet_; }

 private:
  bool Run(const Text& code, duk_uint_t compileFlags, bool wantResult) {
    error_ = ScriptErrorRecord();
    Call call;
    call.source = EngineStringFromText(code);
    call.compileFlags = compileFlags;
    call.wantResult = wantResult;
    if (compileFlags == 0 && WorthCaching(call.source.size())) {
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
      // A call that ran out of time has no time left, and reading an error may run its getters.
      ScriptLimitScope limited(limits_, kErrorReadingTimeLimit);
      error_ = DescribeThrownValue(heap_, call.compiled, code);
    }
    duk_set_top(heap_, 0);
    return ok;
  }

  ScriptHeapLimits limits_;
  duk_context* heap_ = nullptr;
  bool languageSet_ = false;
  ScriptErrorRecord error_;
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

std::optional<ScriptValue> ScriptErrorProperty(const ScriptControl& engine, std::string_view name) {
  if (engine == nullptr) return std::nullopt;
  return engine->ErrorProperty(name);
}
