// The stream object on its own: creation by identifier, its property rules, bytes and text.
#include "platform/stream/stream.h"

#include <gtest/gtest.h>

namespace {

ByteSet Bytes(std::string_view s) { return ByteSet(s.begin(), s.end()); }

TEST(StreamObject, CreatedOnlyByItsIdentifier) {
  EXPECT_NE(CreateStreamObject("Adodb.Stream"), nullptr);
  EXPECT_NE(CreateStreamObject("ADODB.STREAM"), nullptr);
  for (const Text id : {"", "Adodb.Stream2", "Adodb", "MSScriptControl.ScriptControl"}) {
    EXPECT_EQ(CreateStreamObject(id), nullptr) << id;
  }
}

TEST(StreamObject, PropertyRules) {
  auto stream = CreateStreamObject("Adodb.Stream");
  EXPECT_EQ(stream->Type(), adTypeText);
  EXPECT_EQ(stream->Charset(), "Unicode");
  EXPECT_FALSE(stream->SetPosition(0));  // closed
  EXPECT_FALSE(stream->SetType(3));
  EXPECT_FALSE(stream->SetCharset("no-such-set"));
  EXPECT_FALSE(stream->SetCharset("UTF-8//TRANSLIT"));
  EXPECT_EQ(stream->Charset(), "Unicode");
  EXPECT_TRUE(stream->SetCharset("utf-8"));

  ASSERT_TRUE(stream->SetType(adTypeBinary));
  ASSERT_TRUE(stream->Open());
  EXPECT_FALSE(stream->Open());
  ASSERT_TRUE(stream->Write(Bytes("abc")));
  EXPECT_EQ(stream->Position(), 3);
  // Type and Charset change only at position 0.
  EXPECT_FALSE(stream->SetType(adTypeText));
  EXPECT_FALSE(stream->SetCharset("GBK"));
  EXPECT_FALSE(stream->SetPosition(-1));
  EXPECT_EQ(stream->Position(), 3);
  EXPECT_TRUE(stream->ReadText().empty());  // binary stream
  EXPECT_FALSE(stream->WriteText("x"));
  ASSERT_TRUE(stream->SetPosition(5));  // past the end: the gap fills with zeros
  ASSERT_TRUE(stream->Write(Bytes("d")));
  ASSERT_TRUE(stream->SetPosition(1));
  EXPECT_EQ(stream->Read(), Bytes(std::string_view("bc\0\0d", 5)));
  EXPECT_TRUE(stream->Read().empty());  // at the end

  ASSERT_TRUE(stream->Close());
  EXPECT_FALSE(stream->Close());
  EXPECT_TRUE(stream->Read().empty());    // closed
  EXPECT_EQ(stream->Charset(), "utf-8");  // survives Close
  ASSERT_TRUE(stream->Open());
  EXPECT_TRUE(stream->Read().empty());  // Open starts empty
}

TEST(StreamObject, TextCarriesAByteOrderMarkInUnicodeCharsets) {
  const struct {
    Text charset;
    std::string_view bytes;
  } cases[] = {
      {"UTF-8", std::string_view("\xEF\xBB\xBF"
                                 "a\xE6\x95\xB0",
                                 7)},
      {"Unicode", std::string_view("\xFF\xFE"
                                   "a\0\x70\x65",
                                   6)},
      {"GBK", "a\xCA\xFD"},
      {"gb2312", "a\xCA\xFD"},
  };
  for (const auto& c : cases) {
    StreamObject stream;
    ASSERT_TRUE(stream.SetCharset(c.charset));
    ASSERT_TRUE(stream.Open());
    ASSERT_TRUE(stream.WriteText("a数"));
    ASSERT_TRUE(stream.SetPosition(0));
    EXPECT_EQ(stream.ReadText(), "a数") << c.charset;  // passes over the mark
    ASSERT_TRUE(stream.SetPosition(0));
    ASSERT_TRUE(stream.SetType(adTypeBinary));
    EXPECT_EQ(stream.Read(), Bytes(c.bytes)) << c.charset;
  }
}

TEST(StreamObject, TextWrittenInACharsetThatLacksACharacterGetsQuestionMark) {
  StreamObject stream;
  ASSERT_TRUE(stream.SetCharset("ISO-8859-1"));
  ASSERT_TRUE(stream.Open());
  ASSERT_TRUE(stream.WriteText("a数b"));
  ASSERT_TRUE(stream.SetPosition(0));
  ASSERT_TRUE(stream.SetType(adTypeBinary));
  EXPECT_EQ(stream.Read(), Bytes("a?b"));
}

}  // namespace
