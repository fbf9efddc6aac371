// The JSON document: parsing replies, paths, reading and writing values, arrays and documents.
#include "json/json_document.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "tests/support/platform_results.h"

namespace {

const Text kReply = "{\"code\":0,\"msg\":\"数据提交成功\",\"data\":{\"step\":12345}}";

TEST(JsonDocument, ReadsTheReplyMessage) {
  const struct {
    const char* reply;
    Text msg;
  } cases[] = {
      {"{\"code\":0,\"msg\":\"数据提交成功\"}", "数据提交成功"},
      {"{\"code\":1}", ""},
      {"{\"msg\":null}", ""},
      {"{\"msg\":0}", "0"},
      {"{\"msg\":true}", "true"},
      {"{\"msg\":[1,2]}", "1,2"},
      {"{\"msg\":\"a\\\\b\"}", "a\\b"},
      {"{\"msg\":\"a\\u2400b\"}", "a\\b"},                // U+2400 reads as a backslash
      {"{\"msg\":\"\\ud83d\\ude00 \\uac00!\"}", kGbkForOutsideBmp + Text(" ?!")},  // GBK lacks
      {"<html>502 Bad Gateway</html>", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    JsonDocument document;
    document.Parse(c.reply);
    EXPECT_EQ(document.GetText("msg"), c.msg);
    EXPECT_EQ(document.GetText("msg"), c.msg);  // read twice, as the submission flow does
  }
}

TEST(JsonDocument, ParseResults) {
  const struct {
    const char* text;
    bool direct;
    bool parsed;
    const char* asText;  // ToText afterwards
  } cases[] = {
      {"", false, false, ""},  // undefined
      {"null", false, false, "null"},
      {"0", false, true, "0"},
      {"{}", false, true, "{}"},
      {"[1,\"a\"]", false, true, "[1,\"a\"]"},
      {"{\"a\":1} ", false, true, "{\"a\":1}"},
      {"\"abc\"", false, false, "null"},      // the string's content runs as script
      {"\"'xyz'\"", false, true, "\"xyz\""},  // ... and this content is a string again
      {"\"abc\"", true, true, "\"abc\""},
      {"{\"a\":1", false, false, "null"},  // does not compile: null
      {"{\"a\":1", true, false, "null"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << (c.direct ? " direct" : ""));
    JsonDocument document;
    EXPECT_EQ(document.Parse(c.text, c.direct), c.parsed);
    EXPECT_EQ(document.ToText(), c.asText);
  }
}

TEST(JsonDocument, ParseErrorDescribesASyntaxError) {
  JsonDocument document;
  ParseError error;
  error.description = "stale";
  EXPECT_FALSE(document.Parse("{\"code\":0,\n\"msg\" \"x\"}", false, &error));
  EXPECT_EQ(error.number, 1002);
  EXPECT_EQ(error.source, "JavaScript compilation error");
  EXPECT_NE(error.description, "");
  EXPECT_NE(error.description, "stale");
  EXPECT_EQ(error.line, 2);
  EXPECT_EQ(error.lineText, "\"msg\" \"x\"})");
  EXPECT_EQ(error.column, 0);
  EXPECT_EQ(document.GetType(), kJsonMissing);

  EXPECT_TRUE(document.Parse(kReply, false, &error));
  EXPECT_EQ(error.number, 0);
  EXPECT_EQ(error.description, "");
  EXPECT_EQ(error.line, 0);

  // Without an engine nothing is touched.
  JsonDocument holder = std::move(document);
  error.description = "kept";
  EXPECT_FALSE(document.Parse(kReply, false, &error));
  EXPECT_EQ(error.description, "kept");
}

TEST(JsonDocument, ParseStartsOnAFreshEngine) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse("(leftOver = 5, {\"a\":1})"));
  ScriptControl first = document.GetEngine();
  ASSERT_TRUE(document.Parse("{\"b\":2}"));
  EXPECT_FALSE(document.Exists("a"));
  EXPECT_EQ(document.GetText("b"), "2");
  std::optional<ScriptValue> leftOver = ScriptEval(document.GetEngine(), "typeof leftOver");
  ASSERT_TRUE(leftOver);
  EXPECT_EQ(leftOver->text, "undefined");
  EXPECT_NE(document.GetEngine(), first);
}

TEST(JsonDocument, ResolvePathExamples) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse("{\"a\":1,\"msg\":\"m\",\"list\":[{\"id\":7}],\"da\":{\"x\":1}}"));
  const struct {
    const char* path;
    const char* resolved;
    bool holdsValue;
  } cases[] = {
      {"", "da", true},          {"msg", "da.msg", true},    {"list[0].id", "da.list[0].id", true},
      {"[2]", "da[2]", false},   {"da.a", "da.a", true},     {"da.b", "da.da.b", false},
      {"da.x", "da.da.x", true}, {"data", "da.data", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    Text path = c.path;
    EXPECT_EQ(document.ResolvePath(&path), c.holdsValue);
    EXPECT_EQ(path, c.resolved);
  }
  // Other operations resolve a copy: the caller's path stays.
  Text path = "msg";
  EXPECT_EQ(document.GetText(path), "m");
  EXPECT_EQ(path, "msg");
}

TEST(JsonDocument, GetTextForms) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse("{\"s\":\"x\",\"n\":1.5,\"z\":null,\"o\":{\"k\":[1,true]}}"));
  const struct {
    const char* path;
    const char* plain;
    const char* json;
  } cases[] = {
      {"s", "x", "\"x\""},
      {"n", "1.5", "1.5"},
      {"z", "", "null"},
      {"o", "[object Object]", "{\"k\":[1,true]}"},
      {"o.k", "1,true", "[1,true]"},
      {"missing", "", ""},
      {"missing.deeper", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(document.GetText(c.path), c.plain);
    EXPECT_EQ(document.GetText(c.path, true), c.json);
    EXPECT_EQ(document.GetJson(c.path), c.json);
  }
}

TEST(JsonDocument, NewDocumentIsAnEmptyObject) {
  JsonDocument document;
  EXPECT_EQ(document.ToText(), "{}");
  EXPECT_EQ(document.Name(), "da");
  document.SetValue("k", "v");
  EXPECT_TRUE(document.Clear());
  EXPECT_EQ(document.ToText(), "{}");
}

TEST(JsonDocument, CopySharesTheValue) {
  auto document = std::make_unique<JsonDocument>();
  ASSERT_TRUE(document->Parse(kReply));
  JsonDocument copy = document->Copy();
  EXPECT_EQ(copy.Name(), "da");
  EXPECT_EQ(copy.GetEngine(), document->GetEngine());
  document->SetValue("msg", "changed");
  EXPECT_EQ(copy.GetText("msg"), "changed");
  document.reset();
  EXPECT_EQ(copy.GetText("data.step"), "12345");  // the engine lives on in the copy

  // A new document's engine, made on first need, is shared all the same.
  JsonDocument fresh;
  JsonDocument freshCopy = fresh.Copy();
  freshCopy.SetValue("k", "v");
  EXPECT_EQ(fresh.ToText(), "{\"k\":\"v\"}");
  EXPECT_EQ(fresh.GetEngine(), freshCopy.GetEngine());
}

TEST(JsonDocument, SetValueKeepsTextByteForByte) {
  const Text values[] = {"a\\b",       "it's", "say \"hi\"", "line\r\nnext", "\\'\"\r\n\\\\",
                         "数据\\提交", ""};
  JsonDocument document;
  for (const Text& value : values) {
    SCOPED_TRACE(value);
    document.SetValue("v", value);
    EXPECT_EQ(document.GetText("v"), value);
  }
  document.SetValue("v", "a\\b\"c\nd");
  EXPECT_EQ(document.GetJson("v"), "\"a\\b\\\"c\\nd\"");  // the backslash comes out raw
  EXPECT_EQ(document.ToText(), "{\"v\":\"a\\b\\\"c\\nd\"}");
}

TEST(JsonDocument, SetValueAsJsonMergesIntoObjects) {
  JsonDocument document;
  ASSERT_TRUE(
      document.Parse("{\"o\":{\"s\":\"x\",\"b\":true,\"n\":1,\"keep\":\"k\",\"z\":null,"
                     "\"sub\":{\"p\":1,\"q\":2},\"arr\":[1]},\"a\":[1,2],\"t\":\"text\",\"u\":7}"));
  document.SetValue("o",
                    "{\"s\":\"y\",\"b\":false,\"n\":2,\"new\":3,\"z\":{\"w\":1},"
                    "\"sub\":{\"p\":9},\"arr\":[2]}",
                    true);
  EXPECT_EQ(document.GetJson("o"),
            "{\"s\":\"y\",\"b\":false,\"n\":2,\"keep\":\"k\",\"z\":{\"w\":1},"
            "\"sub\":{\"p\":9,\"q\":2},\"arr\":[1,2],\"new\":3}");

  const struct {
    const char* path;
    const char* value;
    const char* json;  // GetJson afterwards
  } replaced[] = {
      {"a", "[5]", "[5]"},                    // an array is replaced
      {"t", "{\"k\":1}", "{\"k\":1}"},        // so is any other kind of value
      {"missing", "{\"k\":1}", "{\"k\":1}"},  // a new member is made
      {"o.sub", "", "{\"p\":9,\"q\":2}"},     // empty: an object stays
      {"u", "", ""},                          // ... anything else becomes undefined
  };
  for (const auto& c : replaced) {
    SCOPED_TRACE(testing::Message() << c.path << " = " << c.value);
    document.SetValue(c.path, c.value, true);
    EXPECT_EQ(document.GetJson(c.path), c.json);
  }
}

TEST(JsonDocument, SetJsonAssignsTheValueOfTheText) {
  const struct {
    const char* path;
    const char* json;
    bool result;        // the assigned value as a boolean
    const char* after;  // GetJson of the path afterwards
  } cases[] = {
      {"n", "{\"k\":[1,\"x\"]}", true, "{\"k\":[1,\"x\"]}"},
      {"o", "{\"k\":2}", true, "{\"k\":2}"},  // replaces: no merge, keep is gone
      {"o.k", "[1,2]", true, "[1,2]"},
      {"n", "0", false, "0"},  // stored, though 0 reads false
      {"n", "null", false, "null"},
      {"", "[1]", true, "[1]"},  // the whole document
      // A string literal's content is evaluated once more, as script.
      {"s", "\"abc\"", false, "\"old\""},  // abc names nothing: fails, s stays
      {"s", "\"'abc'\"", false, "\"abc\""},
      {"s", "\"1+2\"", true, "3"},
      {"s", "", false, ""},                // eval() gives undefined
      {"s", "{\"a\":", false, "\"old\""},  // does not compile: s stays
      {"missing.x", "1", false, ""},
      {"da.n", "1", false, ""},  // a new member needs the relative path
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.path << " = " << c.json);
    JsonDocument document;
    ASSERT_TRUE(document.Parse("{\"o\":{\"keep\":1},\"s\":\"old\"}"));
    EXPECT_EQ(document.SetJson(c.path, c.json), c.result);
    EXPECT_EQ(document.GetJson(c.path), c.after);
  }
}

TEST(JsonDocument, NewMembersTakeRelativePaths) {
  JsonDocument document;
  // The result is the assigned text as a boolean: abc is none, so even success reads false.
  EXPECT_FALSE(document.SetValue("newkey", "abc"));
  EXPECT_EQ(document.GetText("newkey"), "abc");
  EXPECT_TRUE(document.SetValue("flag", "true"));
  EXPECT_FALSE(document.SetValue("da.other", "true"));  // becomes da.da.other
  EXPECT_FALSE(document.SetValue("missing.deeper", "true"));
  EXPECT_EQ(document.ToText(), "{\"newkey\":\"abc\",\"flag\":\"true\"}");
}

TEST(JsonDocument, GetTypeCodes) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse(
      "{\"s\":\"x\",\"n\":1,\"b\":true,\"o\":{},\"a\":[],\"z\":null,\"f\":function(){}}"));
  const struct {
    const char* path;
    int type;
  } cases[] = {
      {"", kJsonObject},   {"s", kJsonString},        {"n", kJsonNumber},
      {"b", kJsonBoolean}, {"o", kJsonObject},        {"a", kJsonArray},
      {"z", kJsonMissing}, {"missing", kJsonMissing}, {"missing.deeper", kJsonOther},
      {"f", kJsonOther},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(document.GetType(c.path), c.type) << c.path;
  }
}

TEST(JsonDocument, NamesAndCounts) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse("{\"o\":{\"a\":1,\"b\":{}},\"arr\":[1,2,3],\"s\":\"x\"}"));
  TextArray names = {"stale"};
  EXPECT_EQ(document.GetNames(&names, "o"), 2);
  EXPECT_EQ(names, (TextArray{"a", "b"}));
  for (const char* path : {"arr", "s", "missing"}) {
    EXPECT_EQ(document.GetNames(&names, path), 0) << path;
    EXPECT_TRUE(names.empty());
  }
  EXPECT_EQ(document.GetNames(nullptr), 3);
  EXPECT_EQ(document.GetCount("arr"), 3);
  EXPECT_EQ(document.GetCount("o"), 0);
  EXPECT_EQ(document.GetCount("missing"), 0);
}

TEST(JsonDocument, AddItem) {
  JsonDocument document;
  EXPECT_TRUE(document.AddItem("first", "list"));
  EXPECT_TRUE(document.AddItem("second", "list"));
  EXPECT_TRUE(document.AddItem("zero", "list", false, true));
  EXPECT_TRUE(document.AddItem("{\"k\":1}", "list", true));
  EXPECT_EQ(document.GetJson("list"), "[\"zero\",\"first\",\"second\",{\"k\":1}]");

  EXPECT_FALSE(document.AddItem("it's", "other"));  // does not compile: nothing is made
  EXPECT_EQ(document.GetType("other"), kJsonMissing);
  EXPECT_FALSE(document.AddItem("it's", "list"));
  EXPECT_EQ(document.GetCount("list"), 4);

  EXPECT_TRUE(document.AddItem("x"));  // the whole document becomes an array
  EXPECT_EQ(document.ToText(), "[\"x\"]");
}

TEST(JsonDocument, ArrayItems) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse("{\"a\":[\"one\",5,{\"k\":true}]}"));
  EXPECT_EQ(document.GetItemText(0, "a"), "one");
  EXPECT_EQ(document.GetItemText(1, "a"), "");  // no toString step: only strings
  EXPECT_EQ(document.GetItemText(1, "a", true), "5");
  EXPECT_EQ(document.GetItemText(2, "a", true), "{\"k\":true}");
  EXPECT_EQ(document.GetItemText(9, "a", true), "");

  document.SetItem(1, "a", "five");
  EXPECT_EQ(document.GetItemText(1, "a"), "five");
  EXPECT_FALSE(document.SetItem(1, "a", "it's"));
  EXPECT_EQ(document.GetItemText(1, "a"), "five");
  EXPECT_FALSE(document.SetItem(0, "missing", "x"));

  EXPECT_EQ(document.GetItemDocument(2, "a").ToText(), "{\"k\":true}");

  document.RemoveItem(0, "a");
  EXPECT_EQ(document.GetJson("a"), "[\"five\",{\"k\":true}]");
}

TEST(JsonDocument, GetItemDocument) {
  JsonDocument document;
  ASSERT_TRUE(
      document.Parse("{\"a\":[[1,2],[{\"k\":\"v\"}]],\"m\":[{\"tags\":[\"p\",\"q\"]}],\"o\":{\"0\":"
                     "1},\"s\":\"t\"}"));
  const struct {
    int index;
    const char* path;
    const char* item;  // ToText of the new document
    int type;
  } cases[] = {
      {0, "a", "[1,2]", kJsonArray},
      {1, "a", "[{\"k\":\"v\"}]", kJsonArray},
      {0, "a[1]", "{\"k\":\"v\"}", kJsonObject},  // items of nested arrays
      {1, "a[0]", "2", kJsonNumber},
      // The item's JSON goes through Parse, whose eval runs a string's content as script: q
      // names nothing, so the document is null.
      {1, "m[0].tags", "null", kJsonMissing},
      {2, "a", "", kJsonMissing},  // out of range: undefined
      {-1, "a", "", kJsonMissing},
      {0, "o", "1", kJsonNumber},  // no array: the object's member of that name
      {0, "missing", "", kJsonMissing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.path << "[" << c.index << "]");
    JsonDocument item = document.GetItemDocument(c.index, c.path);
    EXPECT_EQ(item.ToText(), c.item);
    EXPECT_EQ(item.GetType(), c.type);
  }

  // The new document has an engine of its own: changes reach neither way.
  JsonDocument item = document.GetItemDocument(1, "a");
  EXPECT_NE(item.GetEngine(), document.GetEngine());
  item.SetItem(0, "", "changed");
  document.SetValue("a[1][0].k", "also changed");
  EXPECT_EQ(item.ToText(), "[\"changed\"]");
  EXPECT_EQ(document.GetJson("a[1]"), "[{\"k\":\"also changed\"}]");

  // A stored backslash is read as a script escape on its way into the new document.
  document.SetValue("a[1][0].k", "x\\ny");
  EXPECT_EQ(document.GetItemDocument(0, "a[1]").GetText("k"), "x\ny");
}

TEST(JsonDocument, LeafValues) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse("{\"n\":1,\"s\":\"x\",\"o\":{\"d\":true},\"e\":{\"last\":\"\"}}"));
  TextArray values = {"stale"};
  EXPECT_EQ(document.GetLeafValues(&values), 2);
  EXPECT_EQ(values, (TextArray{"1", "x"}));
  // An empty last value makes no item.
  EXPECT_EQ(document.GetLeafValues(&values, "", true), 3);
  EXPECT_EQ(values, (TextArray{"1", "x", "true"}));
  EXPECT_EQ(document.GetLeafValues(&values, "missing", true), 0);
  EXPECT_TRUE(values.empty());

  // Leaf values skip the backslash substitution: a stored backslash reads as GBK's '?'.
  document.SetValue("o.d", "a\\b");
  EXPECT_EQ(document.GetLeafValues(&values, "o"), 1);
  EXPECT_EQ(values, (TextArray{"a?b"}));
  EXPECT_EQ(document.GetText("o.d"), "a\\b");
}

TEST(JsonDocument, GetDocumentIsIndependent) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse(kReply));
  JsonDocument data = document.GetDocument("data");
  EXPECT_EQ(data.ToText(), document.GetJson("data"));
  EXPECT_TRUE(data.SetNumber("step", 1));
  EXPECT_EQ(document.GetText("data.step"), "12345");
  EXPECT_EQ(data.GetNumber("step"), 1);

  EXPECT_EQ(document.GetDocument("missing").GetType(), kJsonMissing);
}

TEST(JsonDocument, NumbersAndDeletion) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse("{\"s\":\"12\",\"t\":true,\"x\":\"abc\",\"z\":null}"));
  EXPECT_TRUE(document.SetNumber("n", 2.5));
  EXPECT_EQ(document.GetJson("n"), "2.5");
  EXPECT_EQ(document.GetNumber("n"), 2.5);
  EXPECT_EQ(document.GetNumber("s"), 12);
  EXPECT_EQ(document.GetNumber("t"), -1);
  EXPECT_EQ(document.GetNumber("x"), 0);
  EXPECT_EQ(document.GetNumber("z"), 0);
  EXPECT_EQ(document.GetNumber("missing"), 0);
  EXPECT_TRUE(document.DeleteValue("s"));
  EXPECT_FALSE(document.Exists("s"));
  EXPECT_TRUE(document.Exists("t"));
  EXPECT_FALSE(document.DeleteValue("missing.deeper"));
}

// A document moved from holds no engine, just as one whose engine could not be made.
TEST(JsonDocument, WithoutEngineEverythingFails) {
  JsonDocument document;
  JsonDocument holder = std::move(document);
  EXPECT_EQ(holder.ToText(), "{}");
  EXPECT_EQ(document.Copy().GetEngine(), nullptr);
  EXPECT_EQ(document.GetEngine(), nullptr);
  EXPECT_FALSE(document.Parse(kReply));
  EXPECT_EQ(document.GetText("msg"), "");
  EXPECT_EQ(document.ToText(), "");
  EXPECT_EQ(document.GetType("msg"), kJsonOther);
  EXPECT_FALSE(document.SetValue("k", "v"));
  EXPECT_EQ(document.GetNumber("k"), 0);
  TextArray names = {"stale"};
  EXPECT_EQ(document.GetNames(&names), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(document.GetDocument("k").GetType(), kJsonMissing);
}

}  // namespace
