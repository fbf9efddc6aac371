// The internet client calls on their own, against loopback servers.
#include "platform/wininet/wininet.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/wininet/trust_for_tests.h"
#include "tests/support/capture_server.h"

namespace {

using test_support::CaptureServer;
using test_support::HttpReply;
using test_support::ScriptedReply;

class WinInetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    TrustAuthorityFileForTesting(test_support::TestAuthority::Shared().caFile());
  }

  // Internet, connection and request handles for a GET of path on the server.
  void Open(const CaptureServer& server, const char* path, DWORD flags = 0) {
    internet_ = InternetOpenA("agent", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    connection_ =
        InternetConnectA(internet_, "127.0.0.1", static_cast<INTERNET_PORT>(server.port()), nullptr,
                         nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    request_ = HttpOpenRequestA(connection_, "GET", path, "HTTP/1.1", nullptr, nullptr, flags, 0);
    ASSERT_NE(request_, nullptr);
  }

  void CloseAll() {
    EXPECT_TRUE(InternetCloseHandle(request_));
    EXPECT_TRUE(InternetCloseHandle(connection_));
    EXPECT_TRUE(InternetCloseHandle(internet_));
  }

  std::string ReadAll() {
    std::string body;
    char buffer[1024];
    DWORD count;
    while (InternetReadFile(request_, buffer, sizeof buffer, &count) && count > 0) {
      EXPECT_LE(count, sizeof buffer);
      body.append(buffer, count);
    }
    return body;
  }

  HINTERNET internet_ = nullptr, connection_ = nullptr, request_ = nullptr;
};

TEST_F(WinInetTest, HandlesCloseInAnyOrder) {
  CaptureServer server(CaptureServer::Transport::Http);
  server.SetDefaultReply(HttpReply(200, std::string(3000, 'b')));
  Open(server, "/");
  // Parents closed first: the request still has what it needs.
  EXPECT_TRUE(InternetCloseHandle(internet_));
  EXPECT_TRUE(InternetCloseHandle(connection_));
  EXPECT_TRUE(HttpSendRequestA(request_, "", 0, nullptr, 0));
  EXPECT_EQ(ReadAll(), std::string(3000, 'b'));
  EXPECT_TRUE(InternetCloseHandle(request_));
  EXPECT_FALSE(InternetCloseHandle(request_));
  EXPECT_FALSE(InternetCloseHandle(nullptr));
  // A closed handle opens nothing more.
  EXPECT_EQ(
      InternetConnectA(internet_, "127.0.0.1", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0),
      nullptr);
}

TEST_F(WinInetTest, RawHeadersMustFitWithTheirNul) {
  CaptureServer server(CaptureServer::Transport::Http);
  server.SetDefaultReply(
      ScriptedReply{"HTTP/1.1 200 OK\nX-Bare-Lf: 1\r\nContent-Length: 2\r\n\r\nhi"});
  Open(server, "/");
  DWORD length = 10;
  char small[10];
  EXPECT_FALSE(HttpQueryInfoA(request_, HTTP_QUERY_RAW_HEADERS_CRLF, small, &length, nullptr));
  EXPECT_TRUE(HttpSendRequestA(request_, nullptr, 0, nullptr, 0));

  const std::string expected = "HTTP/1.1 200 OK\r\nX-Bare-Lf: 1\r\nContent-Length: 2\r\n\r\n";
  std::string buffer(expected.size(), '#');
  length = static_cast<DWORD>(buffer.size());
  EXPECT_FALSE(
      HttpQueryInfoA(request_, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &length, nullptr));
  EXPECT_EQ(length, expected.size() + 1);
  EXPECT_EQ(buffer, std::string(expected.size(), '#'));

  buffer.assign(expected.size() + 1, '#');
  EXPECT_TRUE(
      HttpQueryInfoA(request_, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &length, nullptr));
  EXPECT_EQ(length, expected.size());
  EXPECT_EQ(buffer, expected + '\0');
  EXPECT_EQ(ReadAll(), "hi");
  CloseAll();
}

TEST_F(WinInetTest, ReceiveTimeoutIsSetPerHandle) {
  CaptureServer server;
  ScriptedReply silence;
  silence.ending = ScriptedReply::Ending::Silence;
  server.Script(silence);
  Open(server, "/", INTERNET_FLAG_SECURE);
  DWORD ms = 1000;
  EXPECT_TRUE(InternetSetOptionA(request_, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms));
  EXPECT_FALSE(InternetSetOptionA(request_, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, 2));
  EXPECT_FALSE(InternetSetOptionA(request_, 12345, &ms, sizeof ms));
  EXPECT_FALSE(InternetSetOptionA(connection_, INTERNET_OPTION_SECURITY_FLAGS, &ms, sizeof ms));

  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(HttpSendRequestA(request_, nullptr, 0, nullptr, 0));
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(900));
  EXPECT_LT(elapsed, std::chrono::seconds(10));
  EXPECT_EQ(ReadAll(), "");
  CloseAll();
}

TEST_F(WinInetTest, ObjectNameBytesAreEscapedOnTheWire) {
  CaptureServer server(CaptureServer::Transport::Http);
  Open(server, "/a b?user=\xD5\xC5&x=%41");
  EXPECT_TRUE(HttpSendRequestA(request_, "X-Empty:\r\nX-One: 1", 0xFFFFFFFF, nullptr, 0));
  std::string sent = server.Requests().at(0);
  EXPECT_EQ(sent.substr(0, sent.find("\r\n")), "GET /a%20b?user=%D5%C5&x=%41 HTTP/1.1");
  EXPECT_NE(sent.find("\r\nX-Empty:\r\nX-One: 1\r\n"), std::string::npos);
  EXPECT_NE(sent.find("\r\nUser-Agent: agent\r\n"), std::string::npos);
  CloseAll();
}

TEST_F(WinInetTest, UnknownAccessTypeOrServiceOpensNothing) {
  EXPECT_EQ(InternetOpenA("a", 0, nullptr, nullptr, 0), nullptr);
  HINTERNET internet = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  EXPECT_EQ(InternetConnectA(internet, "h", 80, nullptr, nullptr, 1, 0, 0), nullptr);
  EXPECT_EQ(InternetConnectA(internet, "", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0),
            nullptr);
  EXPECT_EQ(HttpOpenRequestA(internet, "GET", "/", nullptr, nullptr, nullptr, 0, 0), nullptr);
  EXPECT_TRUE(InternetCloseHandle(internet));
}

}  // namespace
