#include "service/sqlite_store.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "service/connection_pool.h"
#include "service/local_time.h"

namespace step_service {
namespace {

constexpr int kBusyTimeoutMs = 10000;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS accounts(
  name TEXT PRIMARY KEY NOT NULL,
  salt BLOB NOT NULL,
  hash BLOB NOT NULL,
  scrypt_n INTEGER NOT NULL,
  scrypt_r INTEGER NOT NULL,
  scrypt_p INTEGER NOT NULL,
  created_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS daily_steps(
  account TEXT NOT NULL REFERENCES accounts(name) ON DELETE CASCADE,
  day TEXT NOT NULL,
  steps INTEGER NOT NULL,
  set_at TEXT NOT NULL,
  PRIMARY KEY(account, day)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS sign_in_failures(
  key TEXT NOT NULL,
  at_ms INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS sign_in_failures_by_key ON sign_in_failures(key, at_ms);
CREATE INDEX IF NOT EXISTS sign_in_failures_by_age ON sign_in_failures(at_ms);
CREATE TABLE IF NOT EXISTS schema_version(version INTEGER NOT NULL);
)sql";

void Complain(sqlite3* db, const char* what) {
  std::fprintf(stderr, "store: %s: %s\n", what, db ? sqlite3_errmsg(db) : "out of memory");
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return text ? std::string(text, sqlite3_column_bytes(statement, column)) : std::string();
}

std::string ColumnBlob(sqlite3_stmt* statement, int column) {
  const auto* blob = static_cast<const char*>(sqlite3_column_blob(statement, column));
  return blob ? std::string(blob, sqlite3_column_bytes(statement, column)) : std::string();
}

// Makes the database file 0600 before SQLite opens it: SQLite creates the -wal and -shm files
// with the database file's mode, so the three stay private to this user. A file or leftover
// -wal/-shm that others could read is narrowed, and said so.
bool MakeStoreFilesPrivate(const std::string& path, bool create) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
  if (fd < 0) {
    std::fprintf(stderr, "store: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  close(fd);
  for (const std::string& file : {path, path + "-wal", path + "-shm"}) {
    struct stat status {};
    if (stat(file.c_str(), &status) != 0 || (status.st_mode & 0077) == 0) continue;
    if (chmod(file.c_str(), 0600) != 0) {
      std::fprintf(stderr, "store: cannot make %s private: %s\n", file.c_str(),
                   std::strerror(errno));
      return false;
    }
    std::fprintf(stderr, "store: %s was readable by others (mode %03o); now 0600\n", file.c_str(),
                 static_cast<unsigned>(status.st_mode & 0777));
  }
  return true;
}

// One SQLite connection and the statements prepared on it, kept for reuse.
class Connection {
 public:
  static std::unique_ptr<Connection> Open(const std::string& path, bool create) {
    sqlite3* db = nullptr;
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "store: cannot open %s: %s\n", path.c_str(),
                   db ? sqlite3_errmsg(db) : "out of memory");
      sqlite3_close(db);
      return nullptr;
    }
    auto connection = std::unique_ptr<Connection>(new Connection(db));
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // FULL: a success reply promises the count survives a power cut, not just a crash.
    if (!connection->Execute("PRAGMA foreign_keys=ON; PRAGMA synchronous=FULL;")) return nullptr;
    return connection;
  }

  ~Connection() {
    for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
    sqlite3_close(db_);
  }

  sqlite3* db() const { return db_; }

  bool Execute(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    std::fprintf(stderr, "store: %s\n", message ? message : sqlite3_errmsg(db_));
    sqlite3_free(message);
    return false;
  }

  // The prepared statement for `sql` (a string literal), reset and unbound; null on failure.
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt*& statement = statements_[sql];
    if (statement == nullptr && sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT,
                                                   &statement, nullptr) != SQLITE_OK) {
      Complain(db_, "prepare");
      statements_.erase(sql);
      return nullptr;
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return statement;
  }

 private:
  explicit Connection(sqlite3* db) : db_(db) {}

  sqlite3* db_;
  std::map<const char*, sqlite3_stmt*> statements_;
};

// Resets the statement when the step it was used for is done, so its read lock goes away.
class StepGuard {
 public:
  explicit StepGuard(sqlite3_stmt* statement) : statement_(statement) {}
  ~StepGuard() { sqlite3_reset(statement_); }

 private:
  sqlite3_stmt* statement_;
};

class SqliteStore final : public AccountStore {
 public:
  explicit SqliteStore(std::string path)
      : pool_([path = std::move(path)] { return Connection::Open(path, false); }) {}

  // Keeps `connection` as the first of the pool.
  void Adopt(std::unique_ptr<Connection> connection) { pool_.GiveBack(std::move(connection)); }

  StoreResult AddAccount(std::string_view name, const PasswordHash& hash) override;
  StoreResult ListAccounts(std::vector<AccountInfo>& accounts) override;
  StoreResult FindPasswordHash(std::string_view name, PasswordHash& hash) override;
  StoreResult RecordSteps(std::string_view name, std::string_view day, int steps,
                          std::string_view setAt) override;
  StoreResult ListSteps(std::string_view name, std::vector<DayRecord>& days) override;
  StoreResult RecordFailure(std::string_view key, int64_t atMs, int64_t forgetBeforeMs) override;
  StoreResult FindRecentFailure(std::string_view key, int nth, int64_t sinceMs,
                                std::optional<int64_t>& atMs) override;
  StoreResult ClearFailures(std::string_view key) override;

 private:
  ConnectionPool<Connection>::Lease Borrow() { return pool_.Borrow(); }

  ConnectionPool<Connection> pool_;
};

// The schema, made once and stamped with its version in one write transaction, so that
// processes starting together agree; a store from a newer release is refused.
bool MakeSchema(Connection& connection) {
  const std::string stamp = "INSERT INTO schema_version(version) SELECT " +
                            std::to_string(kSchemaVersion) +
                            " WHERE NOT EXISTS (SELECT 1 FROM schema_version);";
  const std::string script = std::string("BEGIN IMMEDIATE;") + kSchema + stamp + "COMMIT;";
  if (!connection.Execute(script.c_str())) {
    connection.Execute("ROLLBACK");
    return false;
  }
  sqlite3_stmt* version = connection.Prepare("SELECT max(version) FROM schema_version");
  if (!version) return false;
  StepGuard guard(version);
  if (sqlite3_step(version) != SQLITE_ROW) {
    Complain(connection.db(), "read the schema version");
    return false;
  }
  return IsKnownSchemaVersion(sqlite3_column_int(version, 0));
}

}  // namespace

std::unique_ptr<AccountStore> OpenSqliteStore(const std::string& path, bool create) {
  if (!MakeStoreFilesPrivate(path, create)) return nullptr;
  auto first = Connection::Open(path, create);
  if (!first) return nullptr;
  sqlite3_stmt* mode = nullptr;
  if (sqlite3_prepare_v2(first->db(), "PRAGMA journal_mode=WAL", -1, &mode, nullptr) != SQLITE_OK ||
      sqlite3_step(mode) != SQLITE_ROW || ColumnText(mode, 0) != "wal") {
    Complain(first->db(), "cannot switch to WAL mode");
    sqlite3_finalize(mode);
    return nullptr;
  }
  sqlite3_finalize(mode);
  if (!MakeSchema(*first)) return nullptr;

  auto store = std::make_unique<SqliteStore>(path);
  store->Adopt(std::move(first));
  return store;
}

namespace {

StoreResult SqliteStore::AddAccount(std::string_view name, const PasswordHash& hash) {
  auto connection = Borrow();
  if (!connection) return StoreResult::kFailed;
  sqlite3_stmt* insert = connection->Prepare(
      "INSERT INTO accounts(name, salt, hash, scrypt_n, scrypt_r, scrypt_p, created_at) "
      "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7) ON CONFLICT(name) DO NOTHING");
  if (!insert) return StoreResult::kFailed;
  StepGuard guard(insert);
  const std::string createdAt = LocalStampNow().timestamp;
  sqlite3_bind_text(insert, 1, name.data(), name.size(), SQLITE_STATIC);
  sqlite3_bind_blob(insert, 2, hash.salt.data(), hash.salt.size(), SQLITE_STATIC);
  sqlite3_bind_blob(insert, 3, hash.hash.data(), hash.hash.size(), SQLITE_STATIC);
  sqlite3_bind_int64(insert, 4, static_cast<sqlite3_int64>(hash.cost.n));
  sqlite3_bind_int64(insert, 5, hash.cost.r);
  sqlite3_bind_int64(insert, 6, hash.cost.p);
  sqlite3_bind_text(insert, 7, createdAt.data(), createdAt.size(), SQLITE_STATIC);
  if (sqlite3_step(insert) != SQLITE_DONE) {
    Complain(connection->db(), "add account");
    return StoreResult::kFailed;
  }
  return sqlite3_changes(connection->db()) == 1 ? StoreResult::kDone : StoreResult::kExists;
}

StoreResult SqliteStore::ListAccounts(std::vector<AccountInfo>& accounts) {
  accounts.clear();
  auto connection = Borrow();
  if (!connection) return StoreResult::kFailed;
  sqlite3_stmt* select = connection->Prepare("SELECT name, created_at FROM accounts ORDER BY name");
  if (!select) return StoreResult::kFailed;
  StepGuard guard(select);
  int status;
  while ((status = sqlite3_step(select)) == SQLITE_ROW) {
    accounts.push_back({ColumnText(select, 0), ColumnText(select, 1)});
  }
  if (status != SQLITE_DONE) {
    Complain(connection->db(), "list accounts");
    return StoreResult::kFailed;
  }
  return StoreResult::kDone;
}

StoreResult SqliteStore::FindPasswordHash(std::string_view name, PasswordHash& hash) {
  auto connection = Borrow();
  if (!connection) return StoreResult::kFailed;
  sqlite3_stmt* select = connection->Prepare(
      "SELECT salt, hash, scrypt_n, scrypt_r, scrypt_p FROM accounts WHERE name = ?1");
  if (!select) return StoreResult::kFailed;
  StepGuard guard(select);
  sqlite3_bind_text(select, 1, name.data(), name.size(), SQLITE_STATIC);
  switch (sqlite3_step(select)) {
    case SQLITE_ROW:
      hash.salt = ColumnBlob(select, 0);
      hash.hash = ColumnBlob(select, 1);
      hash.cost.n = static_cast<uint64_t>(sqlite3_column_int64(select, 2));
      hash.cost.r = static_cast<uint32_t>(sqlite3_column_int64(select, 3));
      hash.cost.p = static_cast<uint32_t>(sqlite3_column_int64(select, 4));
      return StoreResult::kDone;
    case SQLITE_DONE:
      return StoreResult::kNotFound;
    default:
      Complain(connection->db(), "find account");
      return StoreResult::kFailed;
  }
}

StoreResult SqliteStore::RecordSteps(std::string_view name, std::string_view day, int steps,
                                     std::string_view setAt) {
  auto connection = Borrow();
  if (!connection) return StoreResult::kFailed;
  sqlite3_stmt* upsert = connection->Prepare(
      "INSERT INTO daily_steps(account, day, steps, set_at) VALUES(?1, ?2, ?3, ?4) "
      "ON CONFLICT(account, day) DO UPDATE SET steps = excluded.steps, set_at = excluded.set_at");
  if (!upsert) return StoreResult::kFailed;
  StepGuard guard(upsert);
  sqlite3_bind_text(upsert, 1, name.data(), name.size(), SQLITE_STATIC);
  sqlite3_bind_text(upsert, 2, day.data(), day.size(), SQLITE_STATIC);
  sqlite3_bind_int(upsert, 3, steps);
  sqlite3_bind_text(upsert, 4, setAt.data(), setAt.size(), SQLITE_STATIC);
  const int status = sqlite3_step(upsert);
  if (status == SQLITE_DONE) return StoreResult::kDone;
  if (sqlite3_extended_errcode(connection->db()) == SQLITE_CONSTRAINT_FOREIGNKEY) {
    return StoreResult::kNotFound;
  }
  Complain(connection->db(), "record steps");
  return StoreResult::kFailed;
}

StoreResult SqliteStore::ListSteps(std::string_view name, std::vector<DayRecord>& days) {
  days.clear();
  auto connection = Borrow();
  if (!connection) return StoreResult::kFailed;
  // One read transaction, so the account check and the rows agree.
  if (!connection->Execute("BEGIN")) return StoreResult::kFailed;
  StoreResult result = StoreResult::kFailed;
  sqlite3_stmt* exists = connection->Prepare("SELECT 1 FROM accounts WHERE name = ?1");
  sqlite3_stmt* select = connection->Prepare(
      "SELECT day, steps, set_at FROM daily_steps WHERE account = ?1 ORDER BY day DESC");
  if (exists && select) {
    StepGuard existsGuard(exists);
    StepGuard selectGuard(select);
    sqlite3_bind_text(exists, 1, name.data(), name.size(), SQLITE_STATIC);
    sqlite3_bind_text(select, 1, name.data(), name.size(), SQLITE_STATIC);
    const int found = sqlite3_step(exists);
    if (found == SQLITE_DONE) {
      result = StoreResult::kNotFound;
    } else if (found == SQLITE_ROW) {
      int status;
      while ((status = sqlite3_step(select)) == SQLITE_ROW) {
        days.push_back(
            {ColumnText(select, 0), sqlite3_column_int(select, 1), ColumnText(select, 2)});
      }
      result = status == SQLITE_DONE ? StoreResult::kDone : StoreResult::kFailed;
    }
    if (result == StoreResult::kFailed) Complain(connection->db(), "list steps");
  }
  connection->Execute("COMMIT");
  return result;
}

StoreResult SqliteStore::RecordFailure(std::string_view key, int64_t atMs, int64_t forgetBeforeMs) {
  auto connection = Borrow();
  if (!connection) return StoreResult::kFailed;
  sqlite3_stmt* insert =
      connection->Prepare("INSERT INTO sign_in_failures(key, at_ms) VALUES(?1, ?2)");
  sqlite3_stmt* forget = connection->Prepare("DELETE FROM sign_in_failures WHERE at_ms < ?1");
  if (!insert || !forget) return StoreResult::kFailed;
  StepGuard insertGuard(insert);
  StepGuard forgetGuard(forget);
  sqlite3_bind_text(insert, 1, key.data(), key.size(), SQLITE_STATIC);
  sqlite3_bind_int64(insert, 2, atMs);
  sqlite3_bind_int64(forget, 1, forgetBeforeMs);
  if (sqlite3_step(insert) != SQLITE_DONE || sqlite3_step(forget) != SQLITE_DONE) {
    Complain(connection->db(), "record failure");
    return StoreResult::kFailed;
  }
  return StoreResult::kDone;
}

StoreResult SqliteStore::FindRecentFailure(std::string_view key, int nth, int64_t sinceMs,
                                           std::optional<int64_t>& atMs) {
  atMs.reset();
  auto connection = Borrow();
  if (!connection) return StoreResult::kFailed;
  sqlite3_stmt* select = connection->Prepare(
      "SELECT at_ms FROM sign_in_failures WHERE key = ?1 AND at_ms >= ?2 "
      "ORDER BY at_ms DESC LIMIT 1 OFFSET ?3");
  if (!select) return StoreResult::kFailed;
  StepGuard guard(select);
  sqlite3_bind_text(select, 1, key.data(), key.size(), SQLITE_STATIC);
  sqlite3_bind_int64(select, 2, sinceMs);
  sqlite3_bind_int(select, 3, nth - 1);
  switch (sqlite3_step(select)) {
    case SQLITE_ROW:
      atMs = sqlite3_column_int64(select, 0);
      return StoreResult::kDone;
    case SQLITE_DONE:
      return StoreResult::kDone;
    default:
      Complain(connection->db(), "find failures");
      return StoreResult::kFailed;
  }
}

StoreResult SqliteStore::ClearFailures(std::string_view key) {
  auto connection = Borrow();
  if (!connection) return StoreResult::kFailed;
  sqlite3_stmt* erase = connection->Prepare("DELETE FROM sign_in_failures WHERE key = ?1");
  if (!erase) return StoreResult::kFailed;
  StepGuard guard(erase);
  sqlite3_bind_text(erase, 1, key.data(), key.size(), SQLITE_STATIC);
  if (sqlite3_step(erase) != SQLITE_DONE) {
    Complain(connection->db(), "clear failures");
    return StoreResult::kFailed;
  }
  return StoreResult::kDone;
}

}  // namespace
}  // namespace step_service
