#include "service/postgres_store.h"

#include <libpq-fe.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <set>

#include "service/connection_pool.h"
#include "service/local_time.h"

namespace step_service {
namespace {

// Held across the schema's creation, so instances starting together do not race on it.
constexpr const char* kSchema = R"sql(
SET client_min_messages = warning;
BEGIN;
SELECT pg_advisory_xact_lock(7365620);
CREATE TABLE IF NOT EXISTS accounts(
  name TEXT PRIMARY KEY,
  salt BYTEA NOT NULL,
  hash BYTEA NOT NULL,
  scrypt_n BIGINT NOT NULL,
  scrypt_r INTEGER NOT NULL,
  scrypt_p INTEGER NOT NULL,
  created_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS daily_steps(
  account TEXT NOT NULL REFERENCES accounts(name) ON DELETE CASCADE,
  day TEXT NOT NULL,
  steps INTEGER NOT NULL,
  set_at TEXT NOT NULL,
  PRIMARY KEY(account, day));
CREATE TABLE IF NOT EXISTS sign_in_failures(
  key TEXT NOT NULL,
  at_ms BIGINT NOT NULL);
CREATE INDEX IF NOT EXISTS sign_in_failures_by_key ON sign_in_failures(key, at_ms);
CREATE INDEX IF NOT EXISTS sign_in_failures_by_age ON sign_in_failures(at_ms);
CREATE TABLE IF NOT EXISTS schema_version(version INTEGER NOT NULL);
)sql";

// SQLSTATE classes that mean the server went away or is not taking work yet (restarting).
bool IsUnavailableState(const char* state) {
  return state && (std::strncmp(state, "08", 2) == 0 || std::strncmp(state, "57", 2) == 0);
}

struct ResultDeleter {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

// One statement parameter: text, or raw bytes for a BYTEA column.
struct Param {
  std::string_view value;
  bool binary = false;
};

// What one statement came to: kDone with its rows, kUnavailable, or kFailed with the SQLSTATE.
struct Answer {
  StoreResult status = StoreResult::kFailed;
  Result rows;
  std::string state;
};

// One server connection and the names of the statements prepared on it.
class Connection {
 public:
  static std::unique_ptr<Connection> Open(const std::string& uri) {
    // Defaults first: keywords after the URI would override what it says.
    const char* keywords[] = {"connect_timeout", "client_encoding", "application_name", "dbname",
                              nullptr};
    const char* values[] = {"5", "UTF8", "step-service", uri.c_str(), nullptr};
    PGconn* conn = PQconnectdbParams(keywords, values, 1);
    if (conn == nullptr || PQstatus(conn) != CONNECTION_OK) {
      std::fprintf(stderr, "store: cannot connect to PostgreSQL: %s",
                   conn ? PQerrorMessage(conn) : "out of memory\n");
      PQfinish(conn);
      return nullptr;
    }
    return std::unique_ptr<Connection>(new Connection(conn));
  }

  ~Connection() { PQfinish(conn_); }

  PGconn* conn() const { return conn_; }

  // Runs a script of plain statements (no parameters) and reports whether all of it went well.
  bool Execute(const char* sql) {
    const Result result(PQexec(conn_, sql));
    const ExecStatusType status = PQresultStatus(result.get());
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return true;
    std::fprintf(stderr, "store: %s", PQerrorMessage(conn_));
    return false;
  }

  // Runs `sql` (a string literal) as a statement prepared once on this connection.
  Answer Run(const char* sql, std::initializer_list<Param> params) {
    const std::string name = "s" + std::to_string(reinterpret_cast<uintptr_t>(sql));
    if (!prepared_.contains(name)) {
      const Result prepared(PQprepare(conn_, name.c_str(), sql, 0, nullptr));
      if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) return Fault(prepared.get());
      prepared_.insert(name);
    }
    std::vector<const char*> values;
    std::vector<int> lengths;
    std::vector<int> formats;
    // Text parameters must end in a NUL; the reserve keeps their copies where they are.
    std::vector<std::string> texts;
    texts.reserve(params.size());
    for (const Param& param : params) {
      values.push_back(param.binary ? param.value.data() : texts.emplace_back(param.value).c_str());
      lengths.push_back(static_cast<int>(param.value.size()));
      formats.push_back(param.binary ? 1 : 0);
    }
    Answer answer;
    answer.rows.reset(PQexecPrepared(conn_, name.c_str(), static_cast<int>(values.size()),
                                     values.data(), lengths.data(), formats.data(), 0));
    const ExecStatusType status = PQresultStatus(answer.rows.get());
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
      answer.status = StoreResult::kDone;
      return answer;
    }
    return Fault(answer.rows.get());
  }

 private:
  explicit Connection(PGconn* conn) : conn_(conn) {}

  Answer Fault(const PGresult* result) {
    Answer answer;
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    answer.state = state ? state : "";
    const bool gone = PQstatus(conn_) == CONNECTION_BAD || IsUnavailableState(state);
    answer.status = gone ? StoreResult::kUnavailable : StoreResult::kFailed;
    // Constraint breaches are expected answers; their callers decide what they mean.
    if (answer.state.rfind("23", 0) != 0) {
      std::fprintf(stderr, "store: %s", PQerrorMessage(conn_));
    }
    return answer;
  }

  PGconn* conn_;
  std::set<std::string> prepared_;
};

std::string Text(const PGresult* rows, int row, int column) {
  return std::string(PQgetvalue(rows, row, column), PQgetlength(rows, row, column));
}

std::string Bytes(const PGresult* rows, int row, int column) {
  size_t length = 0;
  unsigned char* bytes = PQunescapeBytea(
      reinterpret_cast<const unsigned char*>(PQgetvalue(rows, row, column)), &length);
  std::string value = bytes ? std::string(reinterpret_cast<char*>(bytes), length) : std::string();
  PQfreemem(bytes);
  return value;
}

class PostgresStore final : public AccountStore {
 public:
  explicit PostgresStore(std::string uri)
      : pool_([uri = std::move(uri)] { return Connection::Open(uri); }) {}

  void Adopt(std::unique_ptr<Connection> connection) { pool_.GiveBack(std::move(connection)); }

  StoreResult AddAccount(std::string_view name, const PasswordHash& hash) override {
    const std::string createdAt = LocalStampNow().timestamp;
    const std::string n = std::to_string(hash.cost.n);
    const std::string r = std::to_string(hash.cost.r);
    const std::string p = std::to_string(hash.cost.p);
    const Answer answer =
        Run("INSERT INTO accounts(name, salt, hash, scrypt_n, scrypt_r, scrypt_p, created_at) "
            "VALUES($1, $2, $3, $4, $5, $6, $7) ON CONFLICT(name) DO NOTHING",
            {{name}, {hash.salt, true}, {hash.hash, true}, {n}, {r}, {p}, {createdAt}});
    if (answer.status != StoreResult::kDone) return answer.status;
    return std::strcmp(PQcmdTuples(answer.rows.get()), "1") == 0 ? StoreResult::kDone
                                                                 : StoreResult::kExists;
  }

  StoreResult ListAccounts(std::vector<AccountInfo>& accounts) override {
    accounts.clear();
    const Answer answer = Run("SELECT name, created_at FROM accounts ORDER BY name", {});
    if (answer.status != StoreResult::kDone) return answer.status;
    const PGresult* rows = answer.rows.get();
    for (int row = 0; row < PQntuples(rows); ++row) {
      accounts.push_back({Text(rows, row, 0), Text(rows, row, 1)});
    }
    return StoreResult::kDone;
  }

  StoreResult FindPasswordHash(std::string_view name, PasswordHash& hash) override {
    const Answer answer = Run(
        "SELECT salt, hash, scrypt_n, scrypt_r, scrypt_p FROM accounts WHERE name = $1", {{name}});
    if (answer.status != StoreResult::kDone) return answer.status;
    const PGresult* rows = answer.rows.get();
    if (PQntuples(rows) == 0) return StoreResult::kNotFound;
    hash.salt = Bytes(rows, 0, 0);
    hash.hash = Bytes(rows, 0, 1);
    hash.cost.n = std::stoull(Text(rows, 0, 2));
    hash.cost.r = static_cast<uint32_t>(std::stoul(Text(rows, 0, 3)));
    hash.cost.p = static_cast<uint32_t>(std::stoul(Text(rows, 0, 4)));
    return StoreResult::kDone;
  }

  StoreResult RecordSteps(std::string_view name, std::string_view day, int steps,
                          std::string_view setAt) override {
    const std::string count = std::to_string(steps);
    // One statement: of two instances writing the same day at once, the later commit stays and
    // neither fails (ON CONFLICT waits for the other's row instead of raising).
    const Answer answer = Run(
        "INSERT INTO daily_steps(account, day, steps, set_at) VALUES($1, $2, $3, $4) "
        "ON CONFLICT(account, day) DO UPDATE SET steps = excluded.steps, set_at = excluded.set_at",
        {{name}, {day}, {count}, {setAt}});
    if (answer.status == StoreResult::kFailed && answer.state == "23503") {
      return StoreResult::kNotFound;
    }
    return answer.status;
  }

  StoreResult ListSteps(std::string_view name, std::vector<DayRecord>& days) override {
    days.clear();
    // One statement, so the account check and the rows agree: no row means no account, a row
    // without a day an account with nothing recorded.
    const Answer answer =
        Run("SELECT d.day, d.steps, d.set_at FROM accounts a "
            "LEFT JOIN daily_steps d ON d.account = a.name WHERE a.name = $1 ORDER BY d.day DESC",
            {{name}});
    if (answer.status != StoreResult::kDone) return answer.status;
    const PGresult* rows = answer.rows.get();
    if (PQntuples(rows) == 0) return StoreResult::kNotFound;
    for (int row = 0; row < PQntuples(rows); ++row) {
      if (PQgetisnull(rows, row, 0)) continue;
      days.push_back({Text(rows, row, 0), std::stoi(Text(rows, row, 1)), Text(rows, row, 2)});
    }
    return StoreResult::kDone;
  }

  StoreResult RecordFailure(std::string_view key, int64_t atMs, int64_t forgetBeforeMs) override {
    const std::string at = std::to_string(atMs);
    const std::string forgetBefore = std::to_string(forgetBeforeMs);
    return Run("WITH aged AS (DELETE FROM sign_in_failures WHERE at_ms < $3) "
               "INSERT INTO sign_in_failures(key, at_ms) VALUES($1, $2)",
               {{key}, {at}, {forgetBefore}})
        .status;
  }

  StoreResult FindRecentFailure(std::string_view key, int nth, int64_t sinceMs,
                                std::optional<int64_t>& atMs) override {
    atMs.reset();
    const std::string since = std::to_string(sinceMs);
    const std::string offset = std::to_string(nth - 1);
    const Answer answer =
        Run("SELECT at_ms FROM sign_in_failures WHERE key = $1 AND at_ms >= $2 "
            "ORDER BY at_ms DESC LIMIT 1 OFFSET $3",
            {{key}, {since}, {offset}});
    if (answer.status != StoreResult::kDone) return answer.status;
    if (PQntuples(answer.rows.get()) == 1) atMs = std::stoll(Text(answer.rows.get(), 0, 0));
    return StoreResult::kDone;
  }

  StoreResult ClearFailures(std::string_view key) override {
    return Run("DELETE FROM sign_in_failures WHERE key = $1", {{key}}).status;
  }

 private:
  // Runs one statement. A connection that turns out dead (the server restarted since it was
  // last used) is closed with every other idle one, and the statement tried once more on a new
  // connection; while the server is down that fails too and the caller hears kUnavailable.
  // Every statement here may safely run twice.
  Answer Run(const char* sql, std::initializer_list<Param> params) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      auto connection = pool_.Borrow();
      if (!connection) return Answer{StoreResult::kUnavailable, nullptr, {}};
      Answer answer = connection->Run(sql, params);
      if (answer.status != StoreResult::kUnavailable) return answer;
      connection.Discard();
      pool_.Clear();
    }
    return Answer{StoreResult::kUnavailable, nullptr, {}};
  }

  ConnectionPool<Connection> pool_;
};

// The version a store carries; 0 when it could not be read.
int ReadSchemaVersion(Connection& connection) {
  const Result result(PQexec(connection.conn(), "SELECT max(version) FROM schema_version"));
  if (PQresultStatus(result.get()) != PGRES_TUPLES_OK || PQntuples(result.get()) != 1) {
    std::fprintf(stderr, "store: %s", PQerrorMessage(connection.conn()));
    return 0;
  }
  return std::atoi(PQgetvalue(result.get(), 0, 0));
}

}  // namespace

std::unique_ptr<AccountStore> OpenPostgresStore(const std::string& uri) {
  auto first = Connection::Open(uri);
  if (!first) return nullptr;
  const std::string script = std::string(kSchema) + "INSERT INTO schema_version(version) SELECT " +
                             std::to_string(kSchemaVersion) +
                             " WHERE NOT EXISTS (SELECT 1 FROM schema_version);COMMIT;";
  if (!first->Execute(script.c_str())) return nullptr;
  if (!IsKnownSchemaVersion(ReadSchemaVersion(*first))) return nullptr;
  auto store = std::make_unique<PostgresStore>(uri);
  store->Adopt(std::move(first));
  return store;
}

}  // namespace step_service
