// URL dissection and text extraction over their edge cases.
#include "web/url_text.h"

#include <gtest/gtest.h>

namespace {

TEST(TextBetween, CutsBetweenMarkers) {
  struct Case {
    Text text, start, end;
    bool ignoreCase;
    Text expected;
  } cases[] = {
      {"name=\"v\"", "name=#引号", "#引号", false, "v"},
      {"abc", "x", "c", false, ""},
      {"abc", "a", "x", false, ""},
      {"ab", "a", "b", false, ""},
      {"User-Agent: x\r\n", "user-agent:", "\r\n", false, ""},
      {"User-Agent: x\r\n", "user-agent:", "\r\n", true, " x"},
      {"k=1;k=2;", "k=", ";", false, "1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextBetween(c.text, c.start, c.end, 0, c.ignoreCase), c.expected) << c.text;
  }
  EXPECT_EQ(TextBetween("k=1;k=2;", "k=", ";", 2), "2");
}

TEST(TextBefore, CutsInFrontOfMarker) {
  struct Case {
    Text text, marker;
    int start;
    Text expected;
  } cases[] = {
      {"Set-Cookie: a=1", ": ", 0, "Set-Cookie"},
      {"Set-Cookie", ": ", 0, ""},
      {": x", ": ", 0, ""},
      {"x;y;z", ";", 0, "x"},
      {"x;y;z", ";", 3, "x;y"},
      {"x;y;z", ";", -1, "x;y"},
      {"x;y;z", ";", -2, "x"},
      {"x;y;z", ";", -4, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextBefore(c.text, c.marker, c.start), c.expected) << c.text << " " << c.start;
  }
  EXPECT_EQ(TextBefore("aXb", "x", 0, true), "a");
  EXPECT_EQ(TextBefore("aXb", "x", -1, true), "a");
}

TEST(ExtractHost, TakesHostFromUrl) {
  struct Case {
    Text url;
    bool mainDomainOnly, keepPort;
    std::optional<int> labelCount;
    Text expected;
  } cases[] = {
      {"HTTPS://X.Y.Z:8443/p?q=1", false, false, {}, "x.y.z"},
      {"HTTPS://X.Y.Z:8443/p?q=1", false, true, {}, "x.y.z:8443"},
      {"HTTPS://X.Y.Z:8443/p?q=1", true, false, {}, "y.z"},
      {"x.y.z/p", false, false, {}, "x.y.z"},
      {"https://h?q=1", false, false, {}, "h?q=1"},
      {"http://localhost", true, false, {}, "localhost"},
      {"http://v.w.x.y.z/p", true, false, 1, "y.z"},
      {"http://v.w.x.y.z/p", false, false, 1, "x.y.z"},
      {"http://v.w.x.y.z/p", true, false, 0, "z"},
      {"http://v.w.x.y.z/p", false, false, 0, "y.z"},
      {"http://y.z/", false, false, 1, "y.z"},
      {"https://v.w.x.y.z:81/p", false, false, 1, "x.y.z"},
      {"https://v.w.x.y.z:81/p", false, true, 1, "x.y.z:81"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractHost(c.url, c.mainDomainOnly, c.keepPort, c.labelCount), c.expected)
        << c.url << " main=" << c.mainDomainOnly << " port=" << c.keepPort
        << " labels=" << c.labelCount.value_or(-1);
  }
}

TEST(ExtractPort, NamedPortOrSchemeDefault) {
  EXPECT_EQ(ExtractPort("HTTPS://X.Y.Z:8443/p?q=1"), 8443);
  EXPECT_EQ(ExtractPort("https://x.y.z/p"), 443);
  EXPECT_EQ(ExtractPort("HTTPS://x.y.z/p"), 443);
  EXPECT_EQ(ExtractPort("http://x.y.z/p"), 80);
  EXPECT_EQ(ExtractPort("x.y.z/p"), 80);
}

TEST(ExtractPath, PathAndQueryInCallersCase) {
  EXPECT_EQ(ExtractPath("HTTPS://X.Y.Z:8443/p?q=1"), "/p?q=1");
  EXPECT_EQ(ExtractPath("https://x.y.z"), "/");
  EXPECT_EQ(ExtractPath("https://x.y.z/A/B?C=D/E"), "/A/B?C=D/E");
  EXPECT_EQ(ExtractPath("https://127.0.0.1:8443/api/mi?user=u&password=p&step=1"),
            "/api/mi?user=u&password=p&step=1");
}

}  // namespace
