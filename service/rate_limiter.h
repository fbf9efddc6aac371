#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "service/account_store.h"

namespace step_service {

struct BackOffLimits {
  int accountFailures = 5;  // per (account, source address)
  int sourceFailures = 20;  // per source address, over all accounts
  std::chrono::seconds window = std::chrono::minutes(10);
};

// Sign-in back-off, counted in the store so that every instance on one store sees the same
// failures and a restart keeps them:
// - `accountFailures` failures on one account from one source address within `window` lock that
//   account for that source only, so someone elsewhere cannot lock the owner out;
// - `sourceFailures` failures from one source address within `window`, whatever the accounts,
//   refuse that source on every account, so guesses cannot be spread over many accounts.
// A refusal lasts until enough of its failures have aged out. Unknown account names count like
// known ones, so refusals say nothing about which accounts exist. A source is the client's
// address as text, counted under its SourceKey().
class RateLimiter {
 public:
  using Clock = std::chrono::system_clock;

  RateLimiter(AccountStore& store, BackOffLimits limits);

  // kDone with `wait` set to how long `source` must wait before trying `account` again (zero
  // when it may try now), or the store's failure.
  StoreResult RetryAfter(std::string_view account, std::string_view source, Clock::time_point now,
                         Clock::duration& wait);
  StoreResult RecordFailure(std::string_view account, std::string_view source,
                            Clock::time_point now);
  // A correct password clears that account's failures from that source; the source's count over
  // all accounts stays, so an attacker's own account cannot wipe it.
  StoreResult RecordSuccess(std::string_view account, std::string_view source);

 private:
  StoreResult WaitFor(const std::string& key, int limit, Clock::time_point now,
                      Clock::duration& wait);

  AccountStore& store_;
  BackOffLimits limits_;
};

}  // namespace step_service
