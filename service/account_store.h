#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/password_hash.h"

namespace step_service {

struct AccountInfo {
  std::string name;
  std::string createdAt;  // local time, ISO 8601 with offset
};

struct DayRecord {
  std::string day;  // YYYY-MM-DD
  int steps = 0;
  std::string setAt;  // local time, ISO 8601 with offset
};

// kUnavailable: the database could not be reached (a server restarting); the call did nothing
// that the caller may count on and can be tried again later. kFailed: anything else went wrong.
enum class StoreResult { kDone, kNotFound, kExists, kFailed, kUnavailable };

// The layout of the tables; a release that changes it raises this and migrates older stores.
inline constexpr int kSchemaVersion = 1;

// True when this release can use a store of schema `version`; says why not on standard error.
bool IsKnownSchemaVersion(int version);

// Accounts, daily step counts and the back-off's failed sign-ins: everything that several
// service instances on one database must share. Safe to use from many threads at once. Failures
// are written to standard error and returned as kFailed or kUnavailable (or nothing).
class AccountStore {
 public:
  // `location` is a SQLite file path or a PostgreSQL URI (postgresql://... or postgres://...).
  // Makes the tables on first use and checks the schema version. With `create` false a missing
  // SQLite file is an error. Nothing (and a line on standard error) when the store cannot be used.
  static std::unique_ptr<AccountStore> Open(const std::string& location, bool create);
  virtual ~AccountStore() = default;

  // kDone, kExists when the name is taken, or a failure.
  virtual StoreResult AddAccount(std::string_view name, const PasswordHash& hash) = 0;
  virtual StoreResult ListAccounts(std::vector<AccountInfo>& accounts) = 0;

  // kDone with `hash` filled, kNotFound, or a failure.
  virtual StoreResult FindPasswordHash(std::string_view name, PasswordHash& hash) = 0;

  // Sets the count of `day` for the account in one statement, replacing an earlier count of that
  // day: of two submissions at once, the later one stays. kNotFound for an unknown account.
  virtual StoreResult RecordSteps(std::string_view name, std::string_view day, int steps,
                                  std::string_view setAt) = 0;

  // kDone with the recorded days newest first, kNotFound for an unknown account, or a failure.
  virtual StoreResult ListSteps(std::string_view name, std::vector<DayRecord>& days) = 0;

  // Failed sign-ins under a back-off key, times in milliseconds since the Unix epoch.
  // Records one at `atMs` and forgets every key's failures from before `forgetBeforeMs`.
  virtual StoreResult RecordFailure(std::string_view key, int64_t atMs, int64_t forgetBeforeMs) = 0;
  // kDone with `atMs` the time of the `nth` newest failure of `key` at or after `sinceMs`, or
  // nothing when there are fewer.
  virtual StoreResult FindRecentFailure(std::string_view key, int nth, int64_t sinceMs,
                                        std::optional<int64_t>& atMs) = 0;
  virtual StoreResult ClearFailures(std::string_view key) = 0;

 protected:
  AccountStore() = default;
  AccountStore(const AccountStore&) = delete;
  AccountStore& operator=(const AccountStore&) = delete;
};

}  // namespace step_service
