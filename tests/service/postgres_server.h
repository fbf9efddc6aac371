#pragma once

#include <string>

namespace service_test {

// A throw-away PostgreSQL server for tests: `initdb` into a temporary folder, listening only on
// a Unix socket in that folder, run as `nobody` when the tests run as root (the server refuses
// root). Stopped and removed with the object. Failures are reported as test failures.
class PostgresServer {
 public:
  PostgresServer();
  ~PostgresServer();

  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  // True once the server accepts connections.
  bool running() const { return running_; }

  // A new empty database, as a URI the service takes for --db.
  std::string CreateDatabase();

  // Stops the server (fast shutdown: connections are cut) and starts it again on the same files.
  bool Stop();
  bool Start();

 private:
  bool MakeData();
  void WatchTheTestProgram();
  // Runs a PostgreSQL program from the server's bin folder as the server's user.
  bool Run(const std::string& commandLine);

  std::string dir_;
  std::string userPrefix_;
  bool running_ = false;
  int databases_ = 0;
};

// The one server a test program shares, started on first use and stopped at exit.
PostgresServer& SharedPostgres();

}  // namespace service_test
