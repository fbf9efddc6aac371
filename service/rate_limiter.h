#pragma once

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace step_service {

// Counts failed sign-ins per account name (known or not, so that refusals say nothing about
// which accounts exist) and refuses further attempts once `maxFailures` fall within `window`,
// until the oldest of them has aged out. Thread-safe; times are passed in so tests can step them.
class RateLimiter {
 public:
  using Clock = std::chrono::steady_clock;

  RateLimiter(int maxFailures, Clock::duration window);

  // How long the account must wait before its next attempt; zero when it may try now.
  Clock::duration RetryAfter(std::string_view account, Clock::time_point now);
  void RecordFailure(std::string_view account, Clock::time_point now);
  // A correct password clears the account's record.
  void RecordSuccess(std::string_view account);

 private:
  void DropExpired(std::deque<Clock::time_point>& failures, Clock::time_point now) const;
  void SweepIfLarge(Clock::time_point now);

  const size_t maxFailures_;
  const Clock::duration window_;
  std::mutex mutex_;
  std::unordered_map<std::string, std::deque<Clock::time_point>> failures_;
  size_t sweepAtSize_;
};

}  // namespace step_service
