// The store's behaviour, one table of cases run against SQLite and PostgreSQL alike.
#include <libpq-fe.h>
#include <sqlite3.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/service/store_fixture.h"

namespace service_test {
namespace {

using step_service::AccountInfo;
using step_service::AccountStore;
using step_service::DayRecord;
using step_service::PasswordHash;
using step_service::StoreResult;

PasswordHash HashOf(const std::string& seed) {
  // Raw bytes with a NUL and high bytes in them, as real salts and hashes have.
  return {std::string("\0\xff", 2) + seed, seed + std::string("\x80\0", 2), {1u << 14, 8, 1}};
}

enum class Op { kAdd, kFind, kRecord, kListSteps, kListAccounts };

struct Step {
  Op op;
  std::string name;
  StoreResult expected;
  std::string day = {};
  int steps = 0;
  std::string listing = {};  // kListSteps: "DAY=STEPS ..." newest first; kListAccounts: names
};

class AccountStoreTest : public StoreTest {};

TEST_P(AccountStoreTest, AccountsAndDaysBehaveAlike) {
  const Step steps[] = {
      {Op::kAdd, "li", StoreResult::kDone},
      {Op::kAdd, "li", StoreResult::kExists},
      {Op::kAdd, "张三", StoreResult::kDone},
      {Op::kFind, "li", StoreResult::kDone},
      {Op::kFind, "张三", StoreResult::kDone},
      {Op::kFind, "ghost", StoreResult::kNotFound},
      {Op::kFind, "LI", StoreResult::kNotFound},
      {Op::kRecord, "li", StoreResult::kDone, "2026-12-10", 100},
      {Op::kRecord, "li", StoreResult::kDone, "2026-12-11", 200},
      {Op::kRecord, "li", StoreResult::kDone, "2026-12-11", 98800},
      {Op::kRecord, "张三", StoreResult::kDone, "2026-12-11", 0},
      {Op::kRecord, "ghost", StoreResult::kNotFound, "2026-12-11", 1},
      {Op::kListSteps, "li", StoreResult::kDone, "", 0, "2026-12-11=98800 2026-12-10=100 "},
      {Op::kListSteps, "张三", StoreResult::kDone, "", 0, "2026-12-11=0 "},
      {Op::kListSteps, "ghost", StoreResult::kNotFound},
      {Op::kListAccounts, "", StoreResult::kDone, "", 0, "li 张三 "},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name + " " + std::to_string(static_cast<int>(step.op)));
    std::string listing;
    switch (step.op) {
      case Op::kAdd:
        EXPECT_EQ(store_->AddAccount(step.name, HashOf(step.name)), step.expected);
        break;
      case Op::kFind: {
        PasswordHash found;
        EXPECT_EQ(store_->FindPasswordHash(step.name, found), step.expected);
        if (step.expected == StoreResult::kDone) {
          const PasswordHash added = HashOf(step.name);
          EXPECT_EQ(found.salt, added.salt);
          EXPECT_EQ(found.hash, added.hash);
          EXPECT_EQ(found.cost.n, added.cost.n);
          EXPECT_EQ(found.cost.r, added.cost.r);
          EXPECT_EQ(found.cost.p, added.cost.p);
        }
        break;
      }
      case Op::kRecord:
        EXPECT_EQ(store_->RecordSteps(step.name, step.day, step.steps, "2026-12-11T08:00:00+0800"),
                  step.expected);
        break;
      case Op::kListSteps: {
        std::vector<DayRecord> days;
        EXPECT_EQ(store_->ListSteps(step.name, days), step.expected);
        for (const DayRecord& day : days) {
          listing += day.day + "=" + std::to_string(day.steps) + " ";
          EXPECT_EQ(day.setAt, "2026-12-11T08:00:00+0800");
        }
        EXPECT_EQ(listing, step.listing);
        break;
      }
      case Op::kListAccounts: {
        std::vector<AccountInfo> accounts;
        EXPECT_EQ(store_->ListAccounts(accounts), step.expected);
        for (const AccountInfo& account : accounts) {
          listing += account.name + " ";
          EXPECT_FALSE(account.createdAt.empty());
        }
        EXPECT_EQ(listing, step.listing);
        break;
      }
    }
  }
}

TEST_P(AccountStoreTest, TwoInstancesWritingOneDayAtOnceNeitherFailNorLoseTheLast) {
  ASSERT_EQ(store_->AddAccount("li", HashOf("li")), StoreResult::kDone);
  const auto other = Reopen();
  ASSERT_NE(other, nullptr);
  std::atomic<int> failures{0};
  std::vector<std::thread> writers;
  for (int i = 0; i < 8; ++i) {
    writers.emplace_back([&, i] {
      AccountStore& store = i % 2 ? *other : *store_;
      for (int k = 0; k < 25; ++k) {
        if (store.RecordSteps("li", "2026-12-11", i * 100 + k, "t") != StoreResult::kDone) {
          ++failures;
        }
      }
    });
  }
  for (auto& writer : writers) writer.join();
  EXPECT_EQ(failures, 0);
  // Once both have answered, the later of two writes is the one kept, whichever instance.
  ASSERT_EQ(store_->RecordSteps("li", "2026-12-11", 1111, "t"), StoreResult::kDone);
  ASSERT_EQ(other->RecordSteps("li", "2026-12-11", 2222, "t"), StoreResult::kDone);
  std::vector<DayRecord> days;
  ASSERT_EQ(store_->ListSteps("li", days), StoreResult::kDone);
  ASSERT_EQ(days.size(), 1u);
  EXPECT_EQ(days[0].steps, 2222);
}

// Runs one SQL statement on the store's data behind its back.
void ExecuteRaw(StoreKind kind, const std::string& location, const std::string& sql) {
  if (kind == StoreKind::kSqlite) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(location.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
  } else {
    PGconn* conn = PQconnectdb(location.c_str());
    PGresult* result = PQexec(conn, sql.c_str());
    EXPECT_EQ(PQresultStatus(result), PGRES_COMMAND_OK) << PQerrorMessage(conn);
    PQclear(result);
    PQfinish(conn);
  }
}

TEST_P(AccountStoreTest, SchemaCarriesItsVersionAndANewerOneIsRefused) {
  ASSERT_EQ(store_->AddAccount("li", HashOf("li")), StoreResult::kDone);
  store_.reset();
  // Opening again keeps the data and the single version row.
  auto again = Reopen();
  ASSERT_NE(again, nullptr);
  PasswordHash found;
  EXPECT_EQ(again->FindPasswordHash("li", found), StoreResult::kDone);
  again.reset();

  ExecuteRaw(GetParam(), location_, "UPDATE schema_version SET version = 99");
  EXPECT_EQ(Reopen(), nullptr);
}

INSTANTIATE_FOR_BOTH_STORES(AccountStoreTest);

}  // namespace
}  // namespace service_test
