// The web request against real loopback servers: what goes on the wire and what comes back.
#include "web/web_request.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/wininet/trust_for_tests.h"
#include "platform/wininet/wininet.h"
#include "tests/support/capture_server.h"
#include "tests/support/loopback_proxies.h"

namespace {

using test_support::CaptureServer;
using test_support::HttpReply;
using test_support::ScriptedReply;
using test_support::TestAuthority;

const Text kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

class WebRequestTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { TrustAuthorityFileForTesting(TestAuthority::Shared().caFile()); }
};

// Header lines of a captured request after the request line, and its body.
struct Captured {
  std::string requestLine;
  std::vector<std::string> headers;
  std::string body;
};

Captured Dissect(const std::string& request) {
  Captured captured;
  std::size_t headEnd = request.find("\r\n\r\n");
  captured.body = request.substr(headEnd + 4);
  TextArray lines = SplitText(request.substr(0, headEnd), "\r\n");
  captured.requestLine = lines.at(0);
  captured.headers.assign(lines.begin() + 1, lines.end());
  return captured;
}

Text AsText(const ByteSet& bytes) { return Text(bytes.begin(), bytes.end()); }

TEST_F(WebRequestTest, StepServiceCallSendsExactlyTheDefaultHeaders) {
  CaptureServer server;
  server.Script(HttpReply(200, "{\"msg\":\"ok\"}"));
  const Text url = server.Url("/api/mi?user=u&password=p&step=1");

  ByteSet body = WebRequest(url);

  EXPECT_EQ(AsText(body), "{\"msg\":\"ok\"}");
  ASSERT_EQ(server.Requests().size(), 1u);
  // clang-format off
  const std::string expected = "GET /api/mi?user=u&password=p&step=1 HTTP/1.1\r\n"
                               "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n" +
                               "User-Agent: " + kDefaultAgent + "\r\n" +
                               "Accept: */*\r\n" +
                               "Referer: " + url + "\r\n" +
                               "Accept-Language: zh-cn\r\n"
                               "\r\n";
  // clang-format on
  EXPECT_EQ(server.Requests()[0], expected);
}

TEST_F(WebRequestTest, MethodsBodiesAndHeadersOnTheWire) {
  struct Case {
    const char* name;
    Verb method;
    Text postText;
    ByteSet postBytes;
    Text extraHeaders;
    std::string requestLineStart;
    std::vector<std::string> headersAfterHost;  // Content-Length left out
    std::string body;
    ByteSet postBytesAfter;
    bool addDefaultHeaders = true;
  };
  const std::string ua = "User-Agent: " + kDefaultAgent;
  const std::string form = "Content-Type: application/x-www-form-urlencoded";
  CaptureServer server(CaptureServer::Transport::Http);
  const Text url = server.Url("/p");
  const std::string accept = "Accept: */*", referer = "Referer: " + url,
                    language = "Accept-Language: zh-cn";
  // clang-format off
  const Case cases[] = {
      {"post", Verb::Post, "a=1", {}, "", "POST /p ",
       {ua, accept, referer, language, form}, "a=1", TextToBytes("a=1")},
      {"post bytes win", Verb::Post, "a=1", TextToBytes("b=2"), "", "POST /p ",
       {ua, accept, referer, language, form}, "b=2", TextToBytes("b=2")},
      {"post own type", Verb::Post, "", {}, "content-type: text/plain", "POST /p ",
       {ua, "Content-Type: text/plain", accept, referer, language}, "", {}},
      {"verb 8", static_cast<Verb>(8), "a=1", {}, "", "GET /p ", {ua, accept, referer, language}, "", {}},
      {"verb -1", static_cast<Verb>(-1), "a=1", {}, "", "GET /p ", {ua, accept, referer, language}, "", {}},
      {"get ignores body", Verb::Get, "a=1", TextToBytes("b=2"), "", "GET /p ",
       {ua, accept, referer, language}, "", TextToBytes("b=2")},
      {"put", Verb::Put, "a=1", {}, "", "PUT /p ", {ua, accept, referer, language}, "a=1",
       TextToBytes("a=1")},
      {"head carries its body", Verb::Head, "a=1", {}, "", "HEAD /p ",
       {ua, accept, referer, language}, "a=1", TextToBytes("a=1")},
      {"delete", Verb::Delete, "", {}, "", "DELETE /p ", {ua, accept, referer, language}, "", {}},
      {"user agent line", Verb::Get, "", {}, "user-agent: Foo", "GET /p ",
       {"User-Agent: Foo", accept, referer, language}, "", {}},
      {"no defaults", Verb::Get, "", {}, "X-A: 1\r\nx-b: 2", "GET /p ", {ua, "X-A: 1", "X-B: 2"}, "", {},
       false},
  };
  // clang-format on
  for (const Case& c : cases) {
    ByteSet postBytes = c.postBytes;
    WebRequest(url, {.method = c.method,
                     .postText = c.postText,
                     .extraHeaders = c.extraHeaders,
                     .postBytes = &postBytes,
                     .addDefaultHeaders = c.addDefaultHeaders});
    Captured sent = Dissect(server.Requests().back());
    EXPECT_EQ(sent.requestLine.rfind(c.requestLineStart, 0), 0u)
        << c.name << ": " << sent.requestLine;
    std::vector<std::string> headers;
    for (const std::string& line : sent.headers) {
      if (line.rfind("Host: ", 0) != 0 && line.rfind("Content-Length: ", 0) != 0)
        headers.push_back(line);
    }
    EXPECT_EQ(headers, c.headersAfterHost) << c.name;
    EXPECT_EQ(sent.body, c.body) << c.name;
    EXPECT_EQ(postBytes, c.postBytesAfter) << c.name;
  }
}

TEST_F(WebRequestTest, AgentFromUnnormalisedBlockIsValueAfterFirstColon) {
  CaptureServer server(CaptureServer::Transport::Http);
  WebRequest(server.Url("/"),
             {.extraHeaders = "Accept: x\r\nuser-agent: Foo", .normaliseHeaderNames = false});
  Captured sent = Dissect(server.Requests().at(0));
  // curl leaves its own agent line out as the block has one; the block goes as given.
  EXPECT_EQ(sent.headers[1], "Accept: x");
  EXPECT_EQ(sent.headers[2], "user-agent: Foo");
}

TEST_F(WebRequestTest, UnnormalisedLinesWithoutAColonGoAsGiven) {
  CaptureServer server(CaptureServer::Transport::Http);
  const struct {
    Text block;
    std::vector<std::string> linesAfterHost;
  } cases[] = {
      {"X-A: 1\r\nbare line\r\nX-B: 2", {"User-Agent: " + kDefaultAgent, "X-A: 1", "bare line", "X-B: 2"}},
      {"bare first\r\nX-A: 1", {"User-Agent: " + kDefaultAgent, "bare first", "X-A: 1"}},
      {"bare first\r\nUser-Agent: Foo", {"bare first", "User-Agent: Foo"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.block);
    WebRequest(server.Url("/"),
               {.extraHeaders = c.block, .addDefaultHeaders = false, .normaliseHeaderNames = false});
    std::vector<std::string> sent = Dissect(server.Requests().back()).headers;
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0].rfind("Host: ", 0), 0u);
    EXPECT_EQ(std::vector<std::string>(sent.begin() + 1, sent.end()), c.linesAfterHost);
  }
}

TEST_F(WebRequestTest, ReplyCookiesAreCollectedAndMerged) {
  CaptureServer server;
  // Requests under /cookies/ keep these cookies (default path /cookies) from other tests.
  const std::vector<std::string> setCookies = {"Set-Cookie: sid=abc; path=/cookies",
                                               "set-cookie: x=1", "Set-Cookie: lang=zh"};
  server.Script(HttpReply(200, "one", setCookies));
  server.Script(HttpReply(200, "two", setCookies));
  server.Script(HttpReply(200, "three"));

  Text returned = "stale", headers;
  EXPECT_EQ(AsText(WebRequest(server.Url("/cookies/a"),
                              {.returnedCookies = &returned, .returnedHeaders = &headers})),
            "one");
  EXPECT_EQ(returned, "sid=abc; lang=zh");
  EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_EQ(headers.substr(headers.size() - 4), "\r\n\r\n");

  Text cookies = "a=1; sid=old";
  WebRequest(server.Url("/cookies/b"), {.cookies = &cookies, .returnedCookies = &returned});
  EXPECT_EQ(Dissect(server.Requests()[1]).headers.back(), "Cookie: a=1; sid=old");
  EXPECT_EQ(returned, "sid=abc; lang=zh; a=1");
  EXPECT_EQ(cookies, returned);

  WebRequest(server.Url("/none"), {.returnedCookies = &returned});
  EXPECT_EQ(returned, "");
}

TEST_F(WebRequestTest, GivenCookiesKeepTheRequestOffTheSharedStore) {
  CaptureServer server(CaptureServer::Transport::Http);
  auto cookieLines = [&](std::size_t request) {
    std::vector<std::string> lines;
    for (const std::string& line : Dissect(server.Requests().at(request)).headers) {
      if (line.rfind("Cookie:", 0) == 0) lines.push_back(line);
    }
    return lines;
  };
  // Paths keep these cookies away from the other tests of this program.
  server.Script(HttpReply(200, "", {"Set-Cookie: kept=1; Path=/store"}));
  WebRequest(server.Url("/store/a"));
  WebRequest(server.Url("/store/b"));
  EXPECT_EQ(cookieLines(1), std::vector<std::string>{"Cookie: kept=1"});

  Text given = "";
  WebRequest(server.Url("/store/c"), {.cookies = &given});
  EXPECT_TRUE(cookieLines(2).empty());

  given = "";
  server.Script(HttpReply(200, "", {"Set-Cookie: given=1; Path=/given"}));
  Text returned;
  WebRequest(server.Url("/given/a"), {.cookies = &given, .returnedCookies = &returned});
  EXPECT_EQ(returned, "given=1");
  WebRequest(server.Url("/given/b"));
  EXPECT_TRUE(cookieLines(4).empty());

  given = "Cookie: whole=1";
  WebRequest(server.Url("/given/c"), {.cookies = &given});
  EXPECT_EQ(cookieLines(5), std::vector<std::string>{"Cookie: whole=1"});
}

TEST_F(WebRequestTest, ProxiesCarryTheRequest) {
  CaptureServer https;
  CaptureServer http(CaptureServer::Transport::Http);
  test_support::HttpProxy httpProxy;
  test_support::SocksProxy socksProxy;
  auto through = [](const Text& url, const Text& proxy, bool socks) {
    return AsText(WebRequest(url, {.proxy = proxy, .proxyIsSocks = socks}));
  };

  EXPECT_EQ(through(http.Url("/plain"), httpProxy.Address(), false), "ok");
  EXPECT_EQ(through(https.Url("/tunnel"), httpProxy.Address(), false), "ok");
  ASSERT_EQ(httpProxy.Requests().size(), 2u);
  EXPECT_EQ(httpProxy.Requests()[0].rfind("GET " + http.Url("/plain") + " HTTP/1.1\r\n", 0), 0u);
  EXPECT_EQ(httpProxy.Requests()[1].rfind(
                "CONNECT 127.0.0.1:" + std::to_string(https.port()) + " HTTP/1.1\r\n", 0),
            0u);

  EXPECT_EQ(through(https.Url("/socks"), socksProxy.Address(), true), "ok");
  EXPECT_EQ(through(http.Url("/socks"), socksProxy.Address(), true), "ok");
  EXPECT_EQ(socksProxy.Targets(),
            (std::vector<std::string>{"127.0.0.1:" + std::to_string(https.port()),
                                      "127.0.0.1:" + std::to_string(http.port())}));
  EXPECT_EQ(https.Requests().size(), 2u);
  EXPECT_EQ(http.Requests().size(), 2u);
}

TEST_F(WebRequestTest, UnreachableServerGivesEmptyBodyAndBlankHeaders) {
  int port;
  {
    CaptureServer closed(CaptureServer::Transport::Http);
    port = closed.port();
  }
  Text returnedCookies = "stale", returnedHeaders;
  ByteSet body = WebRequest("http://127.0.0.1:" + std::to_string(port) + "/",
                            {.returnedCookies = &returnedCookies, .returnedHeaders = &returnedHeaders});
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(returnedHeaders, BlankText(5000));
  EXPECT_EQ(returnedCookies, "");
}

TEST_F(WebRequestTest, UpperCaseSchemeCountsAsHttps) {
  CaptureServer server;
  EXPECT_EQ(AsText(WebRequest(ToUpper(server.Url("/up")))), "ok");
  EXPECT_EQ(Dissect(server.Requests().at(0)).requestLine, "GET /UP HTTP/1.1");
}

TEST_F(WebRequestTest, RequestThatCannotBeSetUpLeavesOutParametersAlone) {
  Text cookies = "a=1", returnedCookies = "kept", returnedHeaders = "kept";
  ByteSet postBytes;
  ByteSet body = WebRequest("https:///no-host", {.method = Verb::Post,
                                                 .postText = "x=1",
                                                 .cookies = &cookies,
                                                 .returnedCookies = &returnedCookies,
                                                 .returnedHeaders = &returnedHeaders,
                                                 .postBytes = &postBytes});
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(cookies, "a=1");
  EXPECT_EQ(returnedCookies, "kept");
  EXPECT_EQ(returnedHeaders, "kept");
  EXPECT_TRUE(postBytes.empty());
}

TEST_F(WebRequestTest, UntrustedCertificateReachesNoRequest) {
  TestAuthority stranger;
  CaptureServer server(CaptureServer::Transport::Https, stranger);
  Text headers;
  ByteSet body = WebRequest(server.Url("/api/mi?password=secret"), {.returnedHeaders = &headers});
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(headers, BlankText(5000));
  EXPECT_GE(server.Connections(), 1);
  EXPECT_TRUE(server.Requests().empty());
}

TEST_F(WebRequestTest, RedirectsAreFollowedExceptDownToHttp) {
  CaptureServer secure;
  CaptureServer plain(CaptureServer::Transport::Http);

  secure.Script(HttpReply(302, "moved", {"Location: " + secure.Url("/next")}));
  secure.Script(HttpReply(200, "arrived"));
  EXPECT_EQ(AsText(WebRequest(secure.Url("/first"))), "arrived");
  EXPECT_EQ(secure.Requests().size(), 2u);

  secure.Script(HttpReply(302, "moved", {"Location: " + secure.Url("/next")}));
  EXPECT_EQ(AsText(WebRequest(secure.Url("/first"), {.noAutoRedirect = true})), "moved");
  EXPECT_EQ(secure.Requests().size(), 3u);

  secure.Script(HttpReply(302, "moved", {"Location: " + plain.Url("/leak")}));
  Text headers;
  EXPECT_EQ(AsText(WebRequest(secure.Url("/api/mi?password=secret"), {.returnedHeaders = &headers})),
            "moved");
  EXPECT_EQ(headers.rfind("HTTP/1.1 302 Found\r\n", 0), 0u);
  EXPECT_TRUE(plain.Requests().empty());

  plain.Script(HttpReply(301, "up", {"Location: " + secure.Url("/up")}));
  EXPECT_EQ(AsText(WebRequest(plain.Url("/"))), "ok");
  EXPECT_EQ(Dissect(secure.Requests().back()).requestLine, "GET /up HTTP/1.1");
}

// Shortens the process-wide receive time-out for one test.
class ShortReceiveTimeout {
 public:
  explicit ShortReceiveTimeout(DWORD ms) { Set(ms); }
  ~ShortReceiveTimeout() { Set(30000); }

 private:
  static void Set(DWORD ms) {
    ASSERT_TRUE(InternetSetOptionA(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms));
  }
};

TEST_F(WebRequestTest, SilentServerEndsAfterReceiveTimeout) {
  ShortReceiveTimeout shortTimeout(1000);
  CaptureServer server;
  ScriptedReply silence;
  silence.ending = ScriptedReply::Ending::Silence;
  server.Script(silence);

  auto start = std::chrono::steady_clock::now();
  ByteSet body = WebRequest(server.Url("/"));
  auto elapsed = std::chrono::steady_clock::now() - start;

  EXPECT_TRUE(body.empty());
  EXPECT_EQ(server.Requests().size(), 1u);
  EXPECT_GE(elapsed, std::chrono::milliseconds(900));
  EXPECT_LT(elapsed, std::chrono::seconds(10));
}

TEST_F(WebRequestTest, OversizedReplyHeadersLeaveBlankHeadersAndNoCookies) {
  CaptureServer server;
  server.Script(HttpReply(
      200, "payload", {"Set-Cookie: sid=abc; Path=/big", "X-Filler: " + std::string(5000, 'f')}));
  Text cookies, headers;
  ByteSet body =
      WebRequest(server.Url("/big"), {.returnedCookies = &cookies, .returnedHeaders = &headers});
  EXPECT_EQ(AsText(body), "payload");
  EXPECT_EQ(headers, BlankText(5000));
  EXPECT_EQ(cookies, "");
}

TEST_F(WebRequestTest, ErrorStatusBodyIsReturnedAndResetGivesWhatArrived) {
  CaptureServer server(CaptureServer::Transport::Http);
  server.Script(HttpReply(404, "{\"msg\":\"none\"}"));
  EXPECT_EQ(AsText(WebRequest(server.Url("/x"))), "{\"msg\":\"none\"}");

  ScriptedReply reset;
  reset.ending = ScriptedReply::Ending::Reset;
  server.Script(reset);
  Text headers;
  EXPECT_TRUE(WebRequest(server.Url("/y"), {.returnedHeaders = &headers}).empty());
  EXPECT_EQ(headers, BlankText(5000));
}

TEST_F(WebRequestTest, BodyStopsAtSixtyFourMebibytes) {
  CaptureServer server(CaptureServer::Transport::Http);
  ScriptedReply huge{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string((64 << 20) + 4096) +
                     "\r\n\r\n"};
  huge.fillerBytes = (64 << 20) + 4096;
  server.Script(huge);
  EXPECT_EQ(WebRequest(server.Url("/")).size(), 64u << 20);
}

}  // namespace
