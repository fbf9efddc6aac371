#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "service/account_store.h"
#include "tests/service/postgres_server.h"
#include "tests/service/service_process.h"

namespace service_test {

enum class StoreKind { kSqlite, kPostgres };

// A test that runs once on a fresh SQLite file and once on a fresh PostgreSQL database.
class StoreTest : public ::testing::TestWithParam<StoreKind> {
 protected:
  void SetUp() override {
    if (GetParam() == StoreKind::kSqlite) {
      location_ = dir_.path() + "/steps.db";
    } else {
      ASSERT_TRUE(SharedPostgres().running());
      location_ = SharedPostgres().CreateDatabase();
    }
    store_ = Reopen();
    ASSERT_NE(store_, nullptr);
  }

  // Another store object on the same data, as a second instance would have.
  std::unique_ptr<step_service::AccountStore> Reopen() {
    return step_service::AccountStore::Open(location_, true);
  }

  TempDir dir_;
  std::string location_;
  std::unique_ptr<step_service::AccountStore> store_;
};

inline std::string StoreName(const ::testing::TestParamInfo<StoreKind>& info) {
  return info.param == StoreKind::kSqlite ? "Sqlite" : "Postgres";
}

#define INSTANTIATE_FOR_BOTH_STORES(suite)                                                         \
  INSTANTIATE_TEST_SUITE_P(                                                                        \
      Stores, suite,                                                                               \
      ::testing::Values(::service_test::StoreKind::kSqlite, ::service_test::StoreKind::kPostgres), \
      ::service_test::StoreName)

}  // namespace service_test
