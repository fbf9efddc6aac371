// The document script's own JSON support, run in an engine whose JSON object has been taken
// away, against the engine's native JSON; and the two methods it adds to every object.
#include "json/document_script.h"

#include <gtest/gtest.h>

#include "platform/script/script_control.h"

namespace {

Text EvalText(const ScriptControl& engine, const Text& code) {
  std::optional<ScriptValue> value = ScriptEval(engine, code);
  return value ? ScriptValueToText(*value).value_or("<no text>") : "<failed>";
}

ScriptControl EngineWithScript(const Text& before) {
  ScriptControl engine = CreateScriptControl();
  ScriptSetLanguage(engine, "JavaScript");
  EXPECT_TRUE(ScriptAddCode(engine, before));
  EXPECT_TRUE(ScriptAddCode(engine, DocumentScript()));
  return engine;
}

TEST(DocumentScript, OwnJsonActsAsTheNativeOne) {
  ScriptControl engine = EngineWithScript("var native = JSON; JSON = undefined;");
  ASSERT_EQ(EvalText(engine, "JSON === native"), "False");
  const char* values[] = {
      "null",
      "true",
      "-0.5",
      "1e21",
      "NaN",
      "'text'",
      "'quote \" back \\\\ \\n \\u0001 \\u2028'",
      "'数据'",
      "[]",
      "[1, 'a', null, undefined, function () {}]",
      "{}",
      "{ a: 1, b: [true, { c: 'x' }], skip: undefined, f: function () {} }",
      "new Date(0)",
      "{ toJSON: function () { return 'custom'; } }",
      "new String('boxed')",
  };
  for (const char* value : values) {
    SCOPED_TRACE(value);
    Text expression = Text("(") + value + ")";
    EXPECT_EQ(EvalText(engine, "JSON.stringify(" + expression + ")"),
              EvalText(engine, "native.stringify(" + expression + ")"));
    EXPECT_EQ(EvalText(engine, "JSON.stringify(" + expression + ", null, 2)"),
              EvalText(engine, "native.stringify(" + expression + ", null, 2)"));
  }
  EXPECT_EQ(EvalText(engine, "JSON.stringify({ a: 1, b: 2 }, ['b'])"), "{\"b\":2}");
  EXPECT_EQ(EvalText(engine,
                     "JSON.stringify({ a: 1, b: 2 }, function (k, v) {"
                     " return k == 'a' ? undefined : v; })"),
            "{\"b\":2}");
  EXPECT_EQ(EvalText(engine, "JSON.stringify(undefined)"), "");
}

TEST(DocumentScript, OwnJsonParses) {
  ScriptControl engine = EngineWithScript("var native = JSON; JSON = undefined;");
  const char* texts[] = {
      "0",
      "-1.5e3",
      "true",
      "null",
      "\"a\\\"b\\\\c\\/d\\n\\u0041\\ud83d\\ude00\"",
      " { \"a\" : [1, 2, {\"b\": null}], \"c\": \"\" } ",
      "[]",
      "{}",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    Text literal = "'" + Text(text) + "'";
    EXPECT_EQ(EvalText(engine, "native.stringify(JSON.parse(" + literal + "))"),
              EvalText(engine, "native.stringify(native.parse(" + literal + "))"));
  }
  // Each is a valid script string literal holding text that is not JSON.
  const char* broken[] = {"",    "{",   "[1,]",  "{\"a\":1,}",    "{a:1}",     "01",
                          "1 2", "tru", "[1 2]", "\"tab\there\"", "\"\\\\x\"", "\\u0027x\\u0027"};
  for (const char* text : broken) {
    SCOPED_TRACE(text);
    std::optional<ScriptValue> value = ScriptEval(engine, "JSON.parse('" + Text(text) + "')");
    EXPECT_FALSE(value);
    EXPECT_EQ(ScriptValueToNumber(*ScriptErrorProperty(engine, "Number")), 1002);
    EXPECT_EQ(ScriptErrorProperty(engine, "Description")->text.substr(0, 6), "JSON: ");
  }
  EXPECT_EQ(EvalText(engine,
                     "JSON.parse('{\"a\":1,\"b\":2}', function (k, v) {"
                     " return k == 'a' ? undefined : v; }).toJSONString()"),
            "{\"b\":2}");
}

TEST(DocumentScript, EveryObjectEnumeratesTheTwoMethods) {
  ScriptControl engine = EngineWithScript("");
  EXPECT_EQ(EvalText(engine, "var keys = []; for (var k in {}) keys.push(k); keys.join()"),
            "toJSONString,parseJSON");
  EXPECT_EQ(EvalText(engine, "({ a: [1, 'x'] }).toJSONString()"), "{\"a\":[1,\"x\"]}");
  EXPECT_EQ(EvalText(engine, "'{\"a\":5}'.parseJSON().a"), "5");
  EXPECT_EQ(EvalText(engine, "get__name_All({ a: 1, f: function () {}, b: 2 })"), "a\r\nb");
}

}  // namespace
