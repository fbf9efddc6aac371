// The internet client on WinINet against real step services running natively on loopback
// (tools/test-windows.sh starts them and names their ports): one presenting a certificate from
// the authority this build carries, one from an authority that is not ours, one from a test
// authority we trust but for a name that is not the host's.
#include "platform/wininet/wininet.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/wininet/trust_for_tests.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

struct Reply {
  bool sent = false;
  std::string headers;
  std::string body;
};

class StepServiceOnLoopback : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Env("STEP_SERVICE_WRONG_NAME_CA").empty()) {
      TrustAuthorityFileForTesting(Env("STEP_SERVICE_WRONG_NAME_CA"));
    }
  }

  void SetUp() override {
    if (Env("STEP_SERVICE_TEST_PORT").empty()) {
      GTEST_SKIP() << "no step services: tools/test-windows.sh starts them";
    }
  }

  // A secure GET of path on localhost:port, with the reply's raw headers and body.
  static Reply Get(const std::string& port, const std::string& path) {
    Reply reply;
    HINTERNET internet =
        InternetOpenA("step-service test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection =
        InternetConnectA(internet, "localhost", static_cast<INTERNET_PORT>(std::stoi(port)),
                         nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", path.c_str(), "HTTP/1.1", nullptr,
                                         nullptr, INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE, 0);
    reply.sent = HttpSendRequestA(request, "", 0, nullptr, 0);
    char buffer[4096];
    DWORD length = sizeof buffer;
    if (HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer, &length, nullptr)) {
      reply.headers.assign(buffer, length);
    }
    DWORD count = 0;
    while (InternetReadFile(request, buffer, sizeof buffer, &count) && count > 0) {
      reply.body.append(buffer, count);
    }
    InternetCloseHandle(request);
    InternetCloseHandle(connection);
    InternetCloseHandle(internet);
    return reply;
  }

  static std::string SubmissionPath() {
    return "/api/mi?user=" + Env("STEP_SERVICE_TEST_ACCOUNT") +
           "&password=" + Env("STEP_SERVICE_TEST_PASSWORD") + "&step=12345";
  }
};

TEST_F(StepServiceOnLoopback, SubmissionGoesThroughTheAuthorityTheBuildCarries) {
  Reply reply = Get(Env("STEP_SERVICE_TEST_PORT"), SubmissionPath());
  ASSERT_TRUE(reply.sent);
  EXPECT_EQ(reply.headers.substr(0, 13), "HTTP/1.1 200 ") << reply.headers;
  EXPECT_NE(reply.body.find("\"code\":0"), std::string::npos) << reply.body;
  EXPECT_NE(reply.body.find("数据提交成功"), std::string::npos) << reply.body;  // UTF-8 here

  Reply unknown = Get(Env("STEP_SERVICE_TEST_PORT"), "/nowhere");
  ASSERT_TRUE(unknown.sent);
  EXPECT_EQ(unknown.headers.substr(0, 13), "HTTP/1.1 404 ");
}

TEST_F(StepServiceOnLoopback, CertificatesThatAreNotOursAreRefused) {
  const struct {
    const char* portVariable;
    const char* why;
  } refused[] = {
      {"STEP_SERVICE_FOREIGN_PORT", "an authority that is not ours"},
      {"STEP_SERVICE_WRONG_NAME_PORT", "our test authority, but another host's name"},
  };
  for (const auto& r : refused) {
    Reply reply = Get(Env(r.portVariable), SubmissionPath());
    EXPECT_FALSE(reply.sent) << r.why;
    EXPECT_EQ(reply.headers, "") << r.why;
    EXPECT_EQ(reply.body, "") << r.why;
  }
}

}  // namespace
