#include "service/rate_limiter.h"

#include <algorithm>

#include "service/source_address.h"

namespace step_service {
namespace {

using std::chrono::milliseconds;

int64_t Milliseconds(RateLimiter::Clock::time_point time) {
  return std::chrono::duration_cast<milliseconds>(time.time_since_epoch()).count();
}

// The two kinds of key cannot meet: a source key holds no '|' and the prefixes differ.
std::string AccountKey(std::string_view account, std::string_view source) {
  return "a|" + SourceKey(source) + "|" + std::string(account);
}

std::string SourceOnlyKey(std::string_view source) { return "s|" + SourceKey(source); }

}  // namespace

RateLimiter::RateLimiter(AccountStore& store, BackOffLimits limits)
    : store_(store), limits_(limits) {
  limits_.accountFailures = std::max(limits_.accountFailures, 1);
  limits_.sourceFailures = std::max(limits_.sourceFailures, 1);
}

StoreResult RateLimiter::WaitFor(const std::string& key, int limit, Clock::time_point now,
                                 Clock::duration& wait) {
  std::optional<int64_t> at;
  const StoreResult found =
      store_.FindRecentFailure(key, limit, Milliseconds(now - limits_.window), at);
  if (found != StoreResult::kDone) return found;
  // The attempt frees up when the limit-th newest failure ages out of the window.
  if (at) wait = std::max(wait, milliseconds(*at) + limits_.window - now.time_since_epoch());
  return StoreResult::kDone;
}

StoreResult RateLimiter::RetryAfter(std::string_view account, std::string_view source,
                                    Clock::time_point now, Clock::duration& wait) {
  wait = Clock::duration::zero();
  const StoreResult result =
      WaitFor(AccountKey(account, source), limits_.accountFailures, now, wait);
  if (result != StoreResult::kDone) return result;
  return WaitFor(SourceOnlyKey(source), limits_.sourceFailures, now, wait);
}

StoreResult RateLimiter::RecordFailure(std::string_view account, std::string_view source,
                                       Clock::time_point now) {
  const int64_t at = Milliseconds(now);
  const int64_t forgetBefore = Milliseconds(now - limits_.window);
  const StoreResult result = store_.RecordFailure(AccountKey(account, source), at, forgetBefore);
  if (result != StoreResult::kDone) return result;
  return store_.RecordFailure(SourceOnlyKey(source), at, forgetBefore);
}

StoreResult RateLimiter::RecordSuccess(std::string_view account, std::string_view source) {
  return store_.ClearFailures(AccountKey(account, source));
}

}  // namespace step_service
