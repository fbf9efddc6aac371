#include "service/submission.h"

#include <functional>

#include "service/local_time.h"
#include "service/query.h"

namespace step_service {
namespace {

constexpr std::chrono::seconds kStoreRetryAfter{5};

Outcome OutcomeOf(QueryFault fault) {
  switch (fault) {
    case QueryFault::kBadEncoding:
      return Outcome::kBadEncoding;
    case QueryFault::kNotUtf8:
      return Outcome::kNotUtf8;
    case QueryFault::kRepeated:
      return Outcome::kRepeated;
    case QueryFault::kTooLong:
      return Outcome::kTooLong;
    case QueryFault::kNone:
      break;
  }
  return Outcome::kServerError;
}

// An unknown account still costs one hash, so its answer takes as long as a wrong password.
void SpendOneHash(std::string_view password, ScryptArea& area) {
  static const std::optional<PasswordHash> decoy = HashPassword("decoy");
  if (decoy) VerifyPassword(password, *decoy, area);
}

// A store that cannot be reached is a passing state (its server restarting): say so and when
// to come back; anything else is the server's fault.
Reply StoreFailureReply(StoreResult result) {
  return result == StoreResult::kUnavailable
             ? OutcomeReply(Outcome::kStoreUnavailable, kStoreRetryAfter)
             : OutcomeReply(Outcome::kServerError);
}

}  // namespace

SubmissionDesk::SubmissionDesk(AccountStore& store, RateLimiter& limiter)
    : store_(store), limiter_(limiter) {}

std::mutex& SubmissionDesk::LockFor(std::string_view account) {
  return accountLocks_[std::hash<std::string_view>{}(account) % accountLocks_.size()];
}

Reply SubmissionDesk::Submit(std::string_view rawQuery, std::string_view source,
                             ScryptArea& area, std::string& account) {
  account.clear();
  const SubmissionQuery query = ParseSubmissionQuery(rawQuery);
  if (query.fault != QueryFault::kNone) return OutcomeReply(OutcomeOf(query.fault));
  account = query.user.value_or("");
  const std::string password = query.password.value_or("");
  if (account.empty() || password.empty()) return OutcomeReply(Outcome::kMissingCredentials);
  const std::optional<int> steps = ParseStepCount(query.step.value_or(""));
  if (!steps) return OutcomeReply(Outcome::kBadStep);

  std::lock_guard lock(LockFor(account));
  RateLimiter::Clock::duration wait{};
  const StoreResult checked = limiter_.RetryAfter(account, source, RateLimiter::Clock::now(), wait);
  if (checked != StoreResult::kDone) return StoreFailureReply(checked);
  if (wait > RateLimiter::Clock::duration::zero()) {
    return OutcomeReply(Outcome::kTooManyAttempts, std::chrono::ceil<std::chrono::seconds>(wait));
  }

  PasswordHash stored;
  bool signedIn = false;
  const StoreResult found = store_.FindPasswordHash(account, stored);
  switch (found) {
    case StoreResult::kDone:
      signedIn = VerifyPassword(password, stored, area);
      break;
    case StoreResult::kNotFound:
      SpendOneHash(password, area);
      break;
    default:
      return StoreFailureReply(found);
  }
  if (!signedIn) {
    limiter_.RecordFailure(account, source, RateLimiter::Clock::now());
    return OutcomeReply(Outcome::kWrongCredentials);
  }
  limiter_.RecordSuccess(account, source);

  const LocalStamp now = LocalStampNow();
  const StoreResult recorded = store_.RecordSteps(account, now.day, *steps, now.timestamp);
  if (recorded != StoreResult::kDone) return StoreFailureReply(recorded);
  return AcceptedReply(account, *steps, now.day);
}

}  // namespace step_service
