// The step service as its clients meet it: the real binary on an ephemeral loopback port,
// HTTPS verified against a test authority, a real SQLite file.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/service/https_client.h"
#include "tests/service/load_driver.h"
#include "tests/service/service_process.h"

namespace service_test {
namespace {

const std::string kAccepted = R"({"code":0,"msg":"数据提交成功","data":)";
const std::string kWrongCredentials = R"({"code":2001,"msg":"帐号或密码错误"})";

struct Day {
  std::string day;
  int steps;
};

class StepServiceTest : public ::testing::Test {
 protected:
  void AddAccount(const std::string& name, const std::string& password) {
    const CommandResult result =
        RunStepService({"account", "add", name, "--db", db_}, password + "\n");
    ASSERT_EQ(result.exitCode, 0) << result.err;
  }

  void AddNumberedAccounts(int count) { service_test::AddNumberedAccounts(db_, count); }

  // The days `step-service steps` lists for the account, newest first.
  std::vector<Day> Days(const std::string& name) {
    const CommandResult result = RunStepService({"steps", name, "--db", db_});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<Day> days;
    std::istringstream lines(result.out);
    std::string day;
    int steps;
    std::string setAt;
    while (lines >> day >> steps >> setAt) days.push_back({day, steps});
    return days;
  }

  // The date of an accepted submission's reply.
  static std::string DateOf(const HttpReply& reply) {
    static const std::regex date("\"date\":\"(\\d{4}-\\d{2}-\\d{2})\"");
    std::smatch match;
    return std::regex_search(reply.body, match, date) ? match[1].str() : "";
  }

  TempDir dir_;
  std::string db_ = dir_.path() + "/steps.db";
};

TEST_F(StepServiceTest, SubmissionIsRecordedAndReplacedTheSameDay) {
  AddAccount("li", "secret");
  RunningService service(db_);
  HttpsClient client(service.port());

  const HttpReply first = client.Get(SubmissionTarget("li", "secret", "12345"));
  ASSERT_EQ(first.status, 200) << first.body;
  const std::string today = DateOf(first);
  EXPECT_EQ(first.body, kAccepted + R"({"user":"li","step":12345,"date":")" + today + "\"}}");
  ASSERT_EQ(Days("li").size(), 1u);
  EXPECT_EQ(Days("li")[0].day, today);
  EXPECT_EQ(Days("li")[0].steps, 12345);

  ASSERT_EQ(client.Get(SubmissionTarget("li", "secret", "23456")).status, 200);
  const std::vector<Day> days = Days("li");
  ASSERT_EQ(days.size(), 1u);
  EXPECT_EQ(days[0].steps, 23456);
}

TEST_F(StepServiceTest, BoundaryCountsSpecialPasswordsAndChineseNamesAreAccepted) {
  const std::string password = "a&b#c+d%e f";
  AddAccount("张三", password);
  RunningService service(db_);
  HttpsClient client(service.port());

  for (const char* step : {"0", "98800", "007"}) {
    const HttpReply reply = client.Get(SubmissionTarget("张三", password, step));
    EXPECT_EQ(reply.status, 200) << step << ": " << reply.body;
    EXPECT_NE(reply.body.find(R"("user":"张三")"), std::string::npos) << reply.body;
  }
  ASSERT_EQ(Days("张三").size(), 1u);
  EXPECT_EQ(Days("张三")[0].steps, 7);
}

TEST_F(StepServiceTest, RefusalsSayWhatToFixAndStoreNothing) {
  AddAccount("li", "secret");
  RunningService service(db_);
  HttpsClient client(service.port());

  const std::string missing = R"({"code":1001,"msg":"请输入帐号和密码"})";
  const std::string badStep = R"({"code":1002,"msg":"步数须为0到98800之间的整数"})";
  struct Case {
    std::string target;
    int status;
    std::string body;
  };
  const Case cases[] = {
      {SubmissionTarget("li", "wrong", "100"), 401, kWrongCredentials},
      {SubmissionTarget("nobody", "secret", "100"), 401, kWrongCredentials},
      {"/api/mi?user=&password=&step=", 400, missing},
      {"/api/mi", 400, missing},
      {"/api/mi?user=li&step=100", 400, missing},
      {SubmissionTarget("li", "secret", "-1"), 400, badStep},
      {SubmissionTarget("li", "secret", "98801"), 400, badStep},
      {SubmissionTarget("li", "secret", "12a"), 400, badStep},
      {SubmissionTarget("li", "secret", " 12"), 400, badStep},
      {SubmissionTarget("li", "secret", "99999999999999999999"), 400, badStep},
      {"/api/mi?user=li&password=secret&step=", 400, badStep},
      {"/api/mi?user=li&password=secret&step=1&step=2", 400,
       R"({"code":1005,"msg":"请求参数重复，user、password、step各只能给出一次"})"},
      {"/api/mi?user=li&password=sec%2&step=1", 400,
       R"({"code":1003,"msg":"请求参数的百分号编码有误"})"},
      {"/api/mi?user=li&password=sec%00ret&step=1", 400,
       R"({"code":1003,"msg":"请求参数的百分号编码有误"})"},
      // 张三 in GBK, as a client that skips the UTF-8 step would send it.
      {"/api/mi?user=%D5%C5%C8%FD&password=secret&step=1", 400,
       R"({"code":1004,"msg":"请求参数须为UTF-8编码"})"},
      {SubmissionTarget("li", std::string(1025, 'x'), "1"), 400,
       R"({"code":1006,"msg":"请求参数过长，每项不能超过1024字节"})"},
  };
  for (const Case& test : cases) {
    const HttpReply reply = client.Get(test.target);
    EXPECT_EQ(reply.status, test.status) << test.target;
    EXPECT_EQ(reply.body, test.body) << test.target;
  }
  EXPECT_TRUE(Days("li").empty());
}

TEST_F(StepServiceTest, SixthAttemptIsRefusedBeforeThePasswordIsChecked) {
  AddAccount("li", "secret");
  AddAccount("wang", "other");
  RunningService service(db_);
  HttpsClient client(service.port());

  // An unknown name backs off exactly like a known one, so refusals reveal nothing.
  for (const std::string name : {"li", "ghost"}) {
    for (int attempt = 1; attempt <= 5; ++attempt) {
      const HttpReply reply = client.Get(SubmissionTarget(name, "guess", "100"));
      EXPECT_EQ(reply.status, 401) << name << " attempt " << attempt;
      EXPECT_EQ(reply.body, kWrongCredentials);
    }
    const HttpReply sixth = client.Get(SubmissionTarget(name, "secret", "100"));
    EXPECT_EQ(sixth.status, 429) << name;
    EXPECT_EQ(sixth.body, R"({"code":2002,"msg":"密码错误次数过多，请10分钟后再试"})");
    EXPECT_GE(std::stoi(sixth.retryAfter), 590) << name;
  }
  EXPECT_TRUE(Days("li").empty());
  EXPECT_EQ(client.Get(SubmissionTarget("wang", "other", "100")).status, 200);
  EXPECT_NE(service.Log().find("account=\"li\" outcome=too-many-attempts status=429"),
            std::string::npos);
}

TEST_F(StepServiceTest, ALockedAccountStillAcceptsItsOwnerFromAnotherSource) {
  AddAccount("li", "secret");
  {
    RunningService service(db_);
    HttpsClient attacker(service.port(), "127.0.0.1");
    HttpsClient owner(service.port(), "127.0.0.2");
    for (int attempt = 1; attempt <= 5; ++attempt) {
      EXPECT_EQ(attacker.Get(SubmissionTarget("li", "guess", "100")).status, 401) << attempt;
    }
    EXPECT_EQ(attacker.Get(SubmissionTarget("li", "secret", "100")).status, 429);
    const HttpReply reply = owner.Get(SubmissionTarget("li", "secret", "4321"));
    EXPECT_EQ(reply.status, 200) << reply.body;
    EXPECT_EQ(attacker.Get(SubmissionTarget("li", "secret", "100")).status, 429);
  }
  ASSERT_EQ(Days("li").size(), 1u);
  EXPECT_EQ(Days("li")[0].steps, 4321);

  // The lock lives in the store: a restarted service still refuses the attacker.
  RunningService restarted(db_);
  HttpsClient again(restarted.port(), "127.0.0.1");
  EXPECT_EQ(again.Get(SubmissionTarget("li", "secret", "100")).status, 429);
}

TEST_F(StepServiceTest, StoreFilesArePrivateToTheServiceUser) {
  const auto mode = [](const std::string& file) {
    return std::filesystem::status(file).permissions() & std::filesystem::perms::all;
  };
  AddAccount("li", "secret");
  EXPECT_EQ(mode(db_), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  {
    RunningService service(db_);
    HttpsClient client(service.port());
    ASSERT_EQ(client.Get(SubmissionTarget("li", "secret", "100")).status, 200);
    for (const std::string& file : {db_, db_ + "-wal", db_ + "-shm"}) {
      ASSERT_TRUE(std::filesystem::exists(file)) << file;
      EXPECT_EQ(mode(file),
                std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
          << file;
    }
  }

  // A file left readable by others (an older release, a careless copy) is narrowed on start.
  std::filesystem::permissions(db_, std::filesystem::perms::group_read |
                                        std::filesystem::perms::others_read,
                               std::filesystem::perm_options::add);
  RunningService restarted(db_);
  EXPECT_EQ(mode(db_), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_NE(restarted.Log().find("was readable by others (mode 644); now 0600"),
            std::string::npos)
      << restarted.Log();
}

TEST_F(StepServiceTest, OtherPathsAndMethodsGetJsonAnswers) {
  AddAccount("li", "secret");
  RunningService service(db_);
  HttpsClient client(service.port());

  const HttpReply health = client.Get("/healthz");
  EXPECT_EQ(health.status, 200);
  EXPECT_EQ(health.body, R"({"code":0,"msg":"服务运行正常"})");
  for (const char* target : {"/", "/api/mi/", "/api/mix?user=a", "/API/MI"}) {
    const HttpReply reply = client.Get(target);
    EXPECT_EQ(reply.status, 404) << target;
    EXPECT_EQ(reply.body, R"({"code":4040,"msg":"请求的地址不存在"})") << target;
  }
  for (const char* method : {"POST", "PUT", "DELETE", "HEAD"}) {
    const HttpReply reply = client.Send(method, SubmissionTarget("li", "secret", "100"));
    EXPECT_EQ(reply.status, 405) << method;
    if (std::string(method) != "HEAD") {
      EXPECT_EQ(reply.body, R"({"code":4050,"msg":"请求方法有误，请使用GET"})") << method;
    }
  }
  EXPECT_TRUE(Days("li").empty());
}

// Reads until the peer closes or `limit` passes; true when it closed in time.
bool ClosesWithin(int fd, std::chrono::seconds limit) {
  timeval timeout{static_cast<time_t>(limit.count()), 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  char buffer[512];
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got == 0 || (got < 0 && errno == ECONNRESET)) return true;
    if (got < 0) return false;
  }
  return false;
}

TEST_F(StepServiceTest, PlainHttpAndSilentClientsAreDisconnected) {
  RunningService service(db_, {"--idle-timeout", "1"});

  const int plain = ConnectTcp(service.port());
  ASSERT_GE(plain, 0);
  const std::string request = "GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  ASSERT_EQ(send(plain, request.data(), request.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(request.size()));
  EXPECT_TRUE(ClosesWithin(plain, std::chrono::seconds(5)));
  close(plain);

  const int silent = ConnectTcp(service.port());
  ASSERT_GE(silent, 0);
  EXPECT_TRUE(ClosesWithin(silent, std::chrono::seconds(5)));
  close(silent);

  HttpsClient client(service.port());
  EXPECT_EQ(client.Get("/healthz").status, 200);
}

TEST_F(StepServiceTest, ParallelClientsAllSucceedAndARestartKeepsEverything) {
  constexpr int kClients = 20;
  constexpr int kSubmissions = 10;
  AddNumberedAccounts(kClients);

  {
    RunningService service(db_);
    std::atomic<int> accepted{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
      clients.emplace_back([&, i] {
        HttpsClient client(service.port());
        for (int k = 1; k <= kSubmissions; ++k) {
          const std::string step = std::to_string(i * 100 + k);
          const HttpReply reply = client.GetWhenTaken(
              SubmissionTarget("user" + std::to_string(i), "pw" + std::to_string(i), step));
          if (reply.status == 200) ++accepted;
        }
      });
    }
    for (auto& client : clients) client.join();
    EXPECT_EQ(accepted, kClients * kSubmissions);
    EXPECT_EQ(service.Stop(), 0);
    EXPECT_NE(service.Log().find("stopped"), std::string::npos);
  }
  // A clean stop checkpoints and closes the database.
  EXPECT_FALSE(std::filesystem::exists(db_ + "-wal"));

  RunningService restarted(db_);
  for (int i = 0; i < kClients; ++i) {
    const std::vector<Day> days = Days("user" + std::to_string(i));
    ASSERT_EQ(days.size(), 1u);
    EXPECT_EQ(days[0].steps, i * 100 + kSubmissions);
  }
  HttpsClient client(restarted.port());
  EXPECT_EQ(client.Get(SubmissionTarget("user0", "pw0", "1")).status, 200);
}

TEST_F(StepServiceTest, KillDuringLoadLeavesEveryAnsweredCountInASoundFile) {
  constexpr int kClients = 8;
  AddNumberedAccounts(kClients);

  RunningService service(db_);
  std::atomic<int> accepted{0};
  std::vector<int> lastAccepted(kClients, 0);
  std::vector<int> lastSent(kClients, 0);
  std::vector<std::thread> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back([&, i] {
      HttpsClient client(service.port());
      // Counts only rise, so "the last answered count or one sent after it" is a range.
      for (int k = 1; k < 100000; ++k) {
        lastSent[i] = k;
        const HttpReply reply = client.GetWhenTaken(SubmissionTarget(
            "user" + std::to_string(i), "pw" + std::to_string(i), std::to_string(k)));
        if (!reply.answered) return;
        ASSERT_EQ(reply.status, 200) << reply.body;
        lastAccepted[i] = k;
        ++accepted;
      }
    });
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (accepted < 3 * kClients && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  service.Kill();
  for (auto& client : clients) client.join();
  ASSERT_GE(accepted, 3 * kClients);

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(db_.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  sqlite3_stmt* check = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
  sqlite3_finalize(check);

  sqlite3_stmt* latest = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db,
                               "SELECT steps FROM daily_steps WHERE account = ?1 "
                               "ORDER BY day DESC LIMIT 1",
                               -1, &latest, nullptr),
            SQLITE_OK);
  for (int i = 0; i < kClients; ++i) {
    const std::string name = "user" + std::to_string(i);
    sqlite3_reset(latest);
    sqlite3_bind_text(latest, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    if (lastAccepted[i] == 0) continue;
    ASSERT_EQ(sqlite3_step(latest), SQLITE_ROW) << name;
    const int stored = sqlite3_column_int(latest, 0);
    EXPECT_GE(stored, lastAccepted[i]) << name;
    EXPECT_LE(stored, lastSent[i]) << name;
  }
  sqlite3_finalize(latest);
  sqlite3_close(db);

  RunningService restarted(db_);
  HttpsClient client(restarted.port());
  EXPECT_EQ(client.Get(SubmissionTarget("user0", "pw0", "1")).status, 200);
}

TEST_F(StepServiceTest, StopLetsARequestInFlightFinish) {
  AddAccount("li", "secret");
  RunningService service(db_);
  TlsConnection connection;
  ASSERT_TRUE(connection.Open(service.port()));
  ASSERT_TRUE(connection.Send("GET " + SubmissionTarget("li", "secret", "4321") + " HTTP/1.1\r\n"));
  // The server picks up the request line within a millisecond or so; from then on the request
  // is in flight. Connections with nothing received yet are simply closed by a stop.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));

  service.Terminate();
  ASSERT_TRUE(service.WaitForLog("stopping on SIGTERM"));
  ASSERT_TRUE(connection.Send("Host: 127.0.0.1\r\n\r\n"));
  const std::string reply = connection.ReadToEnd();
  EXPECT_EQ(reply.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << reply;
  EXPECT_NE(reply.find(kAccepted), std::string::npos) << reply;

  EXPECT_EQ(service.Stop(), 0);
  ASSERT_EQ(Days("li").size(), 1u);
  EXPECT_EQ(Days("li")[0].steps, 4321);
}

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(StepServiceTest, NoPasswordReachesTheLogOrTheDatabase) {
  const std::string password = "Pw-7f3a9c-secret";
  const std::string guess = "Guess-51be2d-wrong";
  AddAccount("li", password);
  RunningService service(db_);
  HttpsClient client(service.port());
  ASSERT_EQ(client.Get(SubmissionTarget("li", password, "100")).status, 200);
  ASSERT_EQ(client.Get(SubmissionTarget("li", guess, "100")).status, 401);
  ASSERT_EQ(client.Get(SubmissionTarget("li", password, "oops")).status, 400);
  ASSERT_EQ(client.Get("/elsewhere?password=" + guess).status, 404);

  const std::string log = service.Log();
  ASSERT_NE(log.find("GET /api/mi account=\"li\" outcome=accepted status=200 ms="),
            std::string::npos)
      << log;
  for (const std::string& secret : {password, guess}) {
    EXPECT_EQ(log.find(secret), std::string::npos) << log;
    for (const auto& file : std::filesystem::directory_iterator(dir_.path())) {
      EXPECT_EQ(FileBytes(file.path()).find(secret), std::string::npos) << file.path();
    }
  }
}

TEST_F(StepServiceTest, CommandLineReportsMistakes) {
  AddAccount("li", "secret");
  struct Case {
    std::vector<std::string> arguments;
    std::string input;
    int exitCode;
  };
  const Case cases[] = {
      {{"account", "add", "li", "--db", db_}, "again\n", 1},  // taken
      {{"account", "add", "new", "--db", db_}, "", 1},        // no password
      {{"steps", "nobody", "--db", db_}, "", 1},
      {{"account", "list", "--db", dir_.path() + "/missing.db"}, "", 1},
      {{"account", "list"}, "", 2},
      {{"serve", "--listen", "127.0.0.1", "--cert", "c", "--key", "k", "--db", db_}, "", 2},
      {{"frobnicate", "--db", db_}, "", 2},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(RunStepService(test.arguments, test.input).exitCode, test.exitCode)
        << test.arguments[0] << ' ' << test.arguments[1];
  }
  const CommandResult list = RunStepService({"account", "list", "--db", db_});
  EXPECT_EQ(list.exitCode, 0);
  EXPECT_EQ(list.out.substr(0, 3), "li\t");
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 1);
}

}  // namespace
}  // namespace service_test
