#include "service/rate_limiter.h"

#include <algorithm>

namespace step_service {
namespace {

// Below this many tracked names the map is not worth sweeping.
constexpr size_t kSweepFloor = 4096;

}  // namespace

RateLimiter::RateLimiter(int maxFailures, Clock::duration window)
    : maxFailures_(static_cast<size_t>(std::max(maxFailures, 1))),
      window_(window),
      sweepAtSize_(kSweepFloor) {}

void RateLimiter::DropExpired(std::deque<Clock::time_point>& failures,
                              Clock::time_point now) const {
  while (!failures.empty() && now - failures.front() >= window_) failures.pop_front();
}

RateLimiter::Clock::duration RateLimiter::RetryAfter(std::string_view account,
                                                     Clock::time_point now) {
  std::lock_guard lock(mutex_);
  const auto found = failures_.find(std::string(account));
  if (found == failures_.end()) return Clock::duration::zero();
  auto& failures = found->second;
  DropExpired(failures, now);
  if (failures.size() < maxFailures_) return Clock::duration::zero();
  // The attempt frees up when enough failures have aged out to fall below the limit.
  return failures[failures.size() - maxFailures_] + window_ - now;
}

void RateLimiter::RecordFailure(std::string_view account, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  auto& failures = failures_[std::string(account)];
  DropExpired(failures, now);
  failures.push_back(now);
  // Only the newest maxFailures_ ever matter.
  while (failures.size() > maxFailures_) failures.pop_front();
  SweepIfLarge(now);
}

void RateLimiter::RecordSuccess(std::string_view account) {
  std::lock_guard lock(mutex_);
  failures_.erase(std::string(account));
}

// Keeps memory bounded when many names are tried: forgets names whose failures have all aged
// out. The threshold doubles with the live size so sweeping stays cheap on average.
void RateLimiter::SweepIfLarge(Clock::time_point now) {
  if (failures_.size() < sweepAtSize_) return;
  std::erase_if(failures_, [&](const auto& entry) {
    return entry.second.empty() || now - entry.second.back() >= window_;
  });
  sweepAtSize_ = std::max(kSweepFloor, failures_.size() * 2);
}

}  // namespace step_service
