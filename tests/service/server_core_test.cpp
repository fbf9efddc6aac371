// How the service's server core treats a connection: pipelined requests, methods, the cap on
// connections, and what reaches the log. The real binary over verified TLS on loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "tests/service/https_client.h"
#include "tests/service/service_process.h"

namespace service_test {
namespace {

class ServerCoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const CommandResult added = RunStepService({"account", "add", "li", "--db", db_}, "secret\n");
    ASSERT_EQ(added.exitCode, 0) << added.err;
  }

  // Everything the service answers to `request` on a connection of its own.
  std::string Exchange(int port, const std::string& request) {
    TlsConnection connection;
    EXPECT_TRUE(connection.Open(port));
    EXPECT_TRUE(connection.Send(request));
    return connection.ReadToEnd();
  }

  std::string StepsOfLi() { return RunStepService({"steps", "li", "--db", db_}).out; }

  TempDir dir_;
  std::string db_ = dir_.path() + "/steps.db";
};

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST_F(ServerCoreTest, PipelinedRequestsAreAllAnsweredAndRecordedInOrder) {
  RunningService service(db_);
  std::string requests;
  for (const char* step : {"111", "222", "333"}) {
    requests += "GET " + SubmissionTarget("li", "secret", step) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    requests += std::string(step) == "333" ? "Connection: close\r\n\r\n" : "\r\n";
  }
  // One write, so one TLS record carries all three.
  const std::string replies = Exchange(service.port(), requests);

  EXPECT_EQ(Count(replies, "HTTP/1.1 200 OK\r\n"), 3u) << replies;
  const size_t first = replies.find("\"step\":111");
  const size_t second = replies.find("\"step\":222");
  const size_t third = replies.find("\"step\":333");
  ASSERT_NE(third, std::string::npos) << replies;
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  // The log line follows the reply out, so it may come a moment after the client has it.
  const std::string accepted = "account=\"li\" outcome=accepted status=200";
  for (int wait = 0; wait < 100 && Count(service.Log(), accepted) < 3; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(Count(service.Log(), accepted), 3u);
  EXPECT_NE(StepsOfLi().find("\t333\t"), std::string::npos) << StepsOfLi();
}

TEST_F(ServerCoreTest, EveryOtherMethodIsRefusedWithTheMethodsThatWork) {
  RunningService service(db_);
  const std::string query = SubmissionTarget("li", "secret", "5");
  struct Case {
    std::string requestLine;
    std::string body;
    std::string status;
    std::string allow;  // empty: no Allow header
  };
  const Case cases[] = {
      {"OPTIONS " + query, "", "405", "GET"},
      {"OPTIONS *", "", "404", ""},
      {"TRACE " + query, "", "405", "GET"},
      {"CONNECT " + query, "", "405", "GET"},
      {"FROBNICATE " + query, "", "405", "GET"},
      {"HEAD " + query, "", "405", "GET"},
      {"POST " + query, "step=5", "405", "GET"},
      {"PUT " + query, "", "405", "GET"},
      {"DELETE " + query, "", "405", "GET"},
      {"PATCH " + query, "", "405", "GET"},
      {"POST /healthz", "", "405", "GET, HEAD"},
      {"HEAD /healthz", "", "200", ""},
      {"FROBNICATE /elsewhere", "", "404", ""},
  };
  for (const Case& test : cases) {
    std::string request = test.requestLine + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    if (!test.body.empty()) request += "Content-Length: " + std::to_string(test.body.size()) + "\r\n";
    const std::string reply = Exchange(service.port(), request + "\r\n" + test.body);
    EXPECT_EQ(reply.substr(0, 12), "HTTP/1.1 " + test.status) << test.requestLine << "\n" << reply;
    EXPECT_EQ(reply.find("\r\nAllow: " + test.allow + "\r\n") != std::string::npos,
              !test.allow.empty())
        << test.requestLine << "\n" << reply;
    const size_t bodyStart = reply.find("\r\n\r\n") + 4;
    if (test.requestLine.rfind("HEAD ", 0) == 0) {
      EXPECT_EQ(reply.size(), bodyStart) << test.requestLine << ": a HEAD reply has no body";
    } else if (test.status == "405") {
      EXPECT_EQ(reply.substr(bodyStart), R"({"code":4050,"msg":"请求方法有误，请使用GET"})");
    }
  }
  EXPECT_EQ(StepsOfLi(), "");
}

TEST_F(ServerCoreTest, ConnectionsAboveTheCapAreClosedAndTheOthersServed) {
  RunningService service(db_, {"--max-connections", "3"});
  std::vector<std::unique_ptr<TlsConnection>> open;
  for (int i = 0; i < 3; ++i) {
    open.push_back(std::make_unique<TlsConnection>());
    ASSERT_TRUE(open.back()->Open(service.port()));
  }
  TlsConnection refused;
  EXPECT_FALSE(refused.Open(service.port()));

  // Those already in keep being served; a place that frees up is taken again.
  ASSERT_TRUE(open[0]->Send("GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"));
  EXPECT_EQ(open[0]->ReadToEnd().substr(0, 15), "HTTP/1.1 200 OK");
  open.erase(open.begin());
  bool admitted = false;
  for (int attempt = 0; attempt < 50 && !admitted; ++attempt) {
    TlsConnection again;
    admitted = again.Open(service.port());
    if (!admitted) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(admitted);
}

TEST_F(ServerCoreTest, BidirectionalOverridesInANameAreEscapedInTheLog) {
  RunningService service(db_);
  HttpsClient client(service.port());
  // U+202E would show the rest of the line reversed; U+0085 is a C1 line break.
  EXPECT_EQ(client.Get(SubmissionTarget("\u202Elive\u0085x", "guess", "1")).status, 401);
  EXPECT_TRUE(
      service.WaitForLog(R"(account="\xE2\x80\xAElive\xC2\x85x" outcome=wrong-credentials)"))
      << service.Log();
  EXPECT_EQ(service.Log().find("\u202E"), std::string::npos);
}

}  // namespace
}  // namespace service_test
