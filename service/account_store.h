#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/password_hash.h"

struct sqlite3;

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

enum class StoreResult { kDone, kNotFound, kExists, kFailed };

// The SQLite file of accounts and daily step counts. Safe to use from many threads at once:
// each call borrows a connection of its own from a small pool, and SQLite's busy time-out
// serialises the writers. Failures are written to standard error and returned as kFailed or
// nothing.
class AccountStore {
 public:
  // Opens the file in WAL mode and makes the tables when missing. With `create` false a missing
  // file is an error. The file is made (or narrowed to) 0600, and SQLite gives its -wal and -shm
  // files the same mode: salts and hashes are for this user alone. Nothing (and a line on standard error) when the file cannot be used.
  static std::unique_ptr<AccountStore> Open(const std::string& path, bool create);
  ~AccountStore();

  AccountStore(const AccountStore&) = delete;
  AccountStore& operator=(const AccountStore&) = delete;

  // kDone, kExists when the name is taken, or kFailed.
  StoreResult AddAccount(std::string_view name, const PasswordHash& hash);
  std::optional<std::vector<AccountInfo>> ListAccounts();

  // kDone with `hash` filled, kNotFound, or kFailed.
  StoreResult FindPasswordHash(std::string_view name, PasswordHash& hash);

  // Sets the count of `day` for the account, replacing an earlier count of that day.
  StoreResult RecordSteps(std::string_view name, std::string_view day, int steps,
                          std::string_view setAt);

  // kDone with the recorded days newest first, kNotFound for an unknown account, or kFailed.
  StoreResult ListSteps(std::string_view name, std::vector<DayRecord>& days);

  // Failed sign-ins under a back-off key, times in milliseconds since the Unix epoch.
  // Records one at `atMs` and forgets every key's failures from before `forgetBeforeMs`.
  StoreResult RecordFailure(std::string_view key, int64_t atMs, int64_t forgetBeforeMs);
  // kDone with `atMs` the time of the `nth` newest failure of `key` at or after `sinceMs`, or
  // nothing when there are fewer; kFailed.
  StoreResult FindRecentFailure(std::string_view key, int nth, int64_t sinceMs,
                                std::optional<int64_t>& atMs);
  StoreResult ClearFailures(std::string_view key);

 private:
  class Connection;
  class Lease;

  explicit AccountStore(std::string path);
  Lease Borrow();
  void GiveBack(std::unique_ptr<Connection> connection);

  const std::string path_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Connection>> idle_;
};

}  // namespace step_service
