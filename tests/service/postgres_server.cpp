#include "tests/service/postgres_server.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace service_test {
namespace {

// The bootstrap superuser of the test cluster; every test connects as it.
constexpr const char* kRole = "steps";

std::string FileText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

PostgresServer::PostgresServer() {
  std::string pattern = "/tmp/pg-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "cannot make a folder for PostgreSQL";
    return;
  }
  dir_ = pattern;
  if (geteuid() == 0) {
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr || chown(dir_.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
      ADD_FAILURE() << "cannot hand " << dir_ << " to the user nobody";
      return;
    }
    userPrefix_ = "setpriv --reuid=" + std::to_string(nobody->pw_uid) +
                  " --regid=" + std::to_string(nobody->pw_gid) + " --clear-groups ";
  }
  if (!MakeData()) return;
  if (Start()) WatchTheTestProgram();
}

// A test program killed on its time-out runs no destructors; a watcher stops the server and
// removes its folder once the program is gone.
void PostgresServer::WatchTheTestProgram() {
  const std::string stop = userPrefix_ + POSTGRES_BIN_DIR "/pg_ctl stop -D " + dir_ +
                           "/data -m immediate; rm -rf " + dir_;
  const std::string watcher = "(while kill -0 " + std::to_string(getpid()) +
                              " 2>/dev/null; do sleep 1; done; " + stop +
                              ") < /dev/null > /dev/null 2>&1 &";
  if (std::system(watcher.c_str()) != 0) ADD_FAILURE() << "cannot start the PostgreSQL watcher";
}

// initdb takes seconds; a cluster made once is kept in the build tree as a template and copied
// for each server after that. Two test programs making it at once: the first rename wins.
bool PostgresServer::MakeData() {
  const std::string tag = userPrefix_.empty() ? std::to_string(geteuid()) : "nobody";
  const std::string templateDir = std::string(POSTGRES_TEMPLATE_DIR) + "-" + tag;
  const std::string data = dir_ + "/data";
  if (std::filesystem::exists(templateDir + "/PG_VERSION")) {
    if (std::system(("cp -a " + templateDir + " " + data).c_str()) == 0) return true;
    ADD_FAILURE() << "cannot copy the PostgreSQL template " << templateDir;
    return false;
  }
  // No fsync: the tests never crash this server, and it keeps them quick.
  if (!Run("initdb -D " + data + " -U " + kRole + " --auth=trust -E UTF8 --locale=C -N > " + dir_ +
           "/initdb.log 2>&1")) {
    ADD_FAILURE() << "initdb failed:\n" << FileText(dir_ + "/initdb.log");
    return false;
  }
  const std::string copy = templateDir + ".tmp" + std::to_string(getpid());
  std::error_code ignored;
  if (std::system(("cp -a " + data + " " + copy).c_str()) == 0) {
    std::filesystem::rename(copy, templateDir, ignored);
  }
  std::filesystem::remove_all(copy, ignored);
  return true;
}

PostgresServer::~PostgresServer() {
  if (running_) Run("pg_ctl stop -D " + dir_ + "/data -m immediate -w > /dev/null 2>&1");
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

bool PostgresServer::Run(const std::string& commandLine) {
  return std::system((userPrefix_ + POSTGRES_BIN_DIR "/" + commandLine).c_str()) == 0;
}

bool PostgresServer::Start() {
  running_ = Run("pg_ctl start -D " + dir_ + "/data -w -t 30 -l " + dir_ + "/server.log -o \"-k " +
                 dir_ + " -c listen_addresses='' -c fsync=off\"" + " > /dev/null 2>&1");
  if (!running_) ADD_FAILURE() << "PostgreSQL did not start:\n" << FileText(dir_ + "/server.log");
  return running_;
}

bool PostgresServer::Stop() {
  running_ = false;
  return Run("pg_ctl stop -D " + dir_ + "/data -m fast -w > /dev/null 2>&1");
}

std::string PostgresServer::CreateDatabase() {
  const std::string name = "steps" + std::to_string(++databases_);
  const std::string admin = std::string("postgresql://") + kRole + "@/postgres?host=" + dir_;
  PGconn* conn = PQconnectdb(admin.c_str());
  PGresult* result = PQexec(conn, ("CREATE DATABASE " + name).c_str());
  if (PQresultStatus(result) != PGRES_COMMAND_OK) {
    ADD_FAILURE() << "cannot create a database: " << PQerrorMessage(conn);
  }
  PQclear(result);
  PQfinish(conn);
  return std::string("postgresql://") + kRole + "@/" + name + "?host=" + dir_;
}

PostgresServer& SharedPostgres() {
  static PostgresServer server;
  return server;
}

}  // namespace service_test
