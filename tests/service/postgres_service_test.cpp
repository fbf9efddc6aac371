// The step service on a PostgreSQL store: the commands, a database restart under the service,
// and two instances behind the proxy of deploy/haproxy.cfg with one of them killed mid-load.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/service/https_client.h"
#include "tests/service/postgres_server.h"
#include "tests/service/service_process.h"

extern char** environ;

namespace service_test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using std::chrono::steady_clock;

class PostgresServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SharedPostgres().running());
    db_ = SharedPostgres().CreateDatabase();
  }

  void AddAccount(const std::string& name, const std::string& password) {
    const CommandResult result =
        RunStepService({"account", "add", name, "--db", db_}, password + "\n");
    ASSERT_EQ(result.exitCode, 0) << result.err;
  }

  // The latest count `step-service steps` lists for the account; -1 when none.
  int LatestSteps(const std::string& name) {
    const CommandResult result = RunStepService({"steps", name, "--db", db_});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::istringstream lines(result.out);
    std::string day;
    int steps = -1;
    lines >> day >> steps;
    return steps;
  }

  TempDir dir_;
  std::string db_;
};

TEST_F(PostgresServiceTest, CommandsAndSubmissionsWorkOnTheSharedStore) {
  AddAccount("li", "secret");
  AddAccount("张三", "pw");
  const CommandResult taken = RunStepService({"account", "add", "li", "--db", db_}, "x\n");
  EXPECT_EQ(taken.exitCode, 1);
  const CommandResult list = RunStepService({"account", "list", "--db", db_});
  ASSERT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.out.substr(0, 3), "li\t");
  EXPECT_NE(list.out.find("\n张三\t"), std::string::npos) << list.out;

  RunningService service(db_);
  HttpsClient client(service.port());
  EXPECT_EQ(client.Get(SubmissionTarget("li", "wrong", "1")).status, 401);
  const HttpReply reply = client.Get(SubmissionTarget("li", "secret", "12345"));
  EXPECT_EQ(reply.status, 200) << reply.body;
  EXPECT_EQ(LatestSteps("li"), 12345);
  EXPECT_EQ(RunStepService({"steps", "nobody", "--db", db_}).exitCode, 1);
}

TEST_F(PostgresServiceTest, DatabaseRestartIsAnswered503AndTheServiceReconnectsByItself) {
  AddAccount("li", "secret");
  RunningService service(db_);
  HttpsClient client(service.port());
  ASSERT_EQ(client.Get(SubmissionTarget("li", "secret", "100")).status, 200);

  ASSERT_TRUE(SharedPostgres().Stop());
  const HttpReply down = client.Get(SubmissionTarget("li", "secret", "200"));
  EXPECT_EQ(down.status, 503);
  EXPECT_EQ(down.body, R"({"code":5031,"msg":"服务暂时无法保存数据，请稍后再试"})");
  EXPECT_EQ(down.retryAfter, "5");
  EXPECT_EQ(client.Get("/healthz").status, 200);

  ASSERT_TRUE(SharedPostgres().Start());
  const HttpReply back = client.Get(SubmissionTarget("li", "secret", "300"));
  EXPECT_EQ(back.status, 200) << back.body;
  // The count refused with 503 was never stored; the one after the restart was.
  EXPECT_EQ(LatestSteps("li"), 300);
  EXPECT_NE(service.Log().find("outcome=store-unavailable status=503"), std::string::npos);
}

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

// Replaces every `from`; there must be one at least.
void Replace(std::string& text, const std::string& from, const std::string& to) {
  ASSERT_NE(text.find(from), std::string::npos) << from;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

std::string FileText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// HAProxy running deploy/haproxy.cfg, its addresses and files moved to the test's own.
class Proxy {
 public:
  Proxy(const std::string& dir, int port, int instance1, int instance2)
      : log_(dir + "/haproxy.log") {
    std::string config = FileText(DEPLOY_DIR "/haproxy.cfg");
    Replace(config, "log /dev/log local0", "log stderr local0");
    Replace(config, "127.0.0.1:8443", "127.0.0.1:" + std::to_string(port));
    Replace(config, "127.0.0.1:8444", "127.0.0.1:" + std::to_string(instance1));
    Replace(config, "127.0.0.1:8445", "127.0.0.1:" + std::to_string(instance2));
    Replace(config, "/etc/step-service/proxy.pem", dir + "/proxy.pem");
    Replace(config, "/etc/step-service/ca.pem", TestCaFile());
    if (geteuid() != 0) {
      Replace(config, "user haproxy", "");
      Replace(config, "group haproxy", "");
    }
    std::ofstream(dir + "/haproxy.cfg") << config;
    std::ofstream(dir + "/proxy.pem")
        << FileText(TestTlsDir() + "/server.pem") << FileText(TestTlsDir() + "/server.key");

    const std::string configFile = dir + "/haproxy.cfg";
    const char* argv[] = {"haproxy", "-db", "-f", configFile.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log_.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    if (posix_spawnp(&pid_, "haproxy", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Proxy() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  bool started() const { return pid_ > 0; }
  std::string Log() const { return FileText(log_); }

 private:
  std::string log_;
  pid_t pid_ = -1;
};

TEST_F(PostgresServiceTest, TwoInstancesBehindTheProxyLoseNothingWhenOneIsKilled) {
  constexpr int kClients = 8;
  std::vector<std::thread> adders;
  for (int i = 0; i < kClients; ++i) {
    adders.emplace_back(
        [this, i] { AddAccount("user" + std::to_string(i), "pw" + std::to_string(i)); });
  }
  for (auto& adder : adders) adder.join();

  RunningService first(db_, {"--trusted-proxy", "127.0.0.1"});
  RunningService second(db_, {"--trusted-proxy", "127.0.0.1"});
  const int port = FreePort();
  Proxy proxy(dir_.path(), port, first.port(), second.port());
  ASSERT_TRUE(proxy.started());
  // Up once both instances passed their first health check.
  const auto ready = steady_clock::now() + seconds(10);
  while (HttpsClient(port).Get("/healthz").status != 200 && steady_clock::now() < ready) {
    std::this_thread::sleep_for(milliseconds(100));
  }
  ASSERT_EQ(HttpsClient(port).Get("/healthz").status, 200) << proxy.Log();
  std::this_thread::sleep_for(milliseconds(1500));

  std::atomic<bool> killed{false};
  std::atomic<bool> done{false};
  std::atomic<int> accepted{0};
  std::atomic<int> acceptedAfterKill{0};
  std::vector<int> lastAccepted(kClients, 0);
  std::vector<int> lastSent(kClients, 0);
  std::vector<std::thread> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back([&, i] {
      HttpsClient client(port);
      for (int k = 1; !done; ++k) {
        lastSent[i] = k;
        const HttpReply reply = client.Get(SubmissionTarget(
            "user" + std::to_string(i), "pw" + std::to_string(i), std::to_string(k)));
        if (reply.status != 200) continue;  // a refusal during the kill; the next one counts
        lastAccepted[i] = k;
        ++accepted;
        if (killed) ++acceptedAfterKill;
      }
    });
  }
  const auto deadline = steady_clock::now() + seconds(20);
  while (accepted < 2 * kClients && steady_clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(5));
  }
  first.Kill();
  killed = true;
  std::this_thread::sleep_for(seconds(2));
  done = true;
  for (auto& client : clients) client.join();

  EXPECT_GE(accepted, 2 * kClients);
  EXPECT_GE(acceptedAfterKill, kClients) << "the survivor stopped answering";
  for (int i = 0; i < kClients; ++i) {
    const int stored = LatestSteps("user" + std::to_string(i));
    EXPECT_GE(stored, lastAccepted[i]) << i;
    EXPECT_LE(stored, lastSent[i]) << i;
  }
  // The health checks took the dead instance out: every request now goes to the survivor.
  const std::string log = proxy.Log();
  EXPECT_NE(log.find("instances/instance1 is DOWN"), std::string::npos) << log;
  HttpsClient client(port);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(client.Get("/healthz").status, 200) << k;

  // Through the proxy the back-off still sees each client's own address.
  HttpsClient attacker(port, "127.0.0.1");
  HttpsClient owner(port, "127.0.0.2");
  for (int attempt = 1; attempt <= 5; ++attempt) {
    EXPECT_EQ(attacker.Get(SubmissionTarget("user0", "guess", "1")).status, 401) << attempt;
  }
  EXPECT_EQ(attacker.Get(SubmissionTarget("user0", "pw0", "1")).status, 429);
  EXPECT_EQ(owner.Get(SubmissionTarget("user0", "pw0", "1")).status, 200);
}

}  // namespace
}  // namespace service_test
