// Which proxy a WinINet proxy list gives a request of each scheme.
#include <gtest/gtest.h>

#include "platform/wininet/transfer.h"

namespace {

TEST(ChooseProxy, SchemeEntryThenPlainThenSocks) {
  struct Case {
    std::string list, scheme, expected;
  } cases[] = {
      {"http=p:1", "http", "http://p:1"},
      {"http=p:1", "https", ""},
      {"p:1", "https", "http://p:1"},
      {"p:1", "http", "http://p:1"},
      {"SOCKS=s:2", "http", "socks4://s:2"},
      {"SOCKS=s:2", "https", "socks4://s:2"},
      {"https=a:1 http=b:2", "http", "http://b:2"},
      {"https=a:1;http=b:2", "https", "http://a:1"},
      {"socks=s:2 c:3", "https", "http://c:3"},
      {"", "http", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseProxy(c.list, "", c.scheme).proxyUrl, c.expected) << c.list << " " << c.scheme;
  }
  EXPECT_EQ(ChooseProxy("p:1", "a.local;b.local c", "http").noProxy, "a.local,b.local,c");
}

}  // namespace
