#pragma once

#include <array>
#include <mutex>
#include <string>
#include <string_view>

#include "service/account_store.h"
#include "service/password_hash.h"
#include "service/rate_limiter.h"
#include "service/replies.h"

namespace step_service {

// The step submission behind GET /api/mi: checks the query, the back-off and the password,
// and records today's count.
class SubmissionDesk {
 public:
  SubmissionDesk(AccountStore& store, RateLimiter& limiter);

  // Answers one submission given its raw (still percent-encoded) query, from the client at
  // `source` (its IP address as text), hashing in `area`. `account` receives the decoded account
  // name for the log, empty when there is none.
  Reply Submit(std::string_view rawQuery, std::string_view source, ScryptArea& area,
               std::string& account);

 private:
  std::mutex& LockFor(std::string_view account);

  AccountStore& store_;
  RateLimiter& limiter_;
  // Attempts on one account run one at a time, so the back-off check and the failure it may
  // record cannot be raced by parallel guesses. Striped to keep the table small.
  std::array<std::mutex, 256> accountLocks_;
};

}  // namespace step_service
