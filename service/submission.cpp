#include "service/submission.h"

#include <functional>

#include "service/local_time.h"
#include "service/query.h"

namespace step_service {
namespace {

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

}  // namespace

SubmissionDesk::SubmissionDesk(AccountStore& store, RateLimiter& limiter)
    : store_(store), limiter_(limiter) {}

std::mutex& SubmissionDesk::LockFor(std::string_view account) {
  return accountLocks_[std::hash<std::string_view>{}(account) % accountLocks_.size()];
}

Reply SubmissionDesk::Submit(std::string_view rawQuery, std::string_view /*source*/,
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
  const auto wait = limiter_.RetryAfter(account, RateLimiter::Clock::now());
  if (wait > RateLimiter::Clock::duration::zero()) {
    return OutcomeReply(Outcome::kTooManyAttempts, std::chrono::ceil<std::chrono::seconds>(wait));
  }

  PasswordHash stored;
  bool signedIn = false;
  switch (store_.FindPasswordHash(account, stored)) {
    case StoreResult::kDone:
      signedIn = VerifyPassword(password, stored, area);
      break;
    case StoreResult::kNotFound:
      SpendOneHash(password, area);
      break;
    default:
      return OutcomeReply(Outcome::kServerError);
  }
  if (!signedIn) {
    limiter_.RecordFailure(account, RateLimiter::Clock::now());
    return OutcomeReply(Outcome::kWrongCredentials);
  }
  limiter_.RecordSuccess(account);

  const LocalStamp now = LocalStampNow();
  if (store_.RecordSteps(account, now.day, *steps, now.timestamp) != StoreResult::kDone) {
    return OutcomeReply(Outcome::kServerError);
  }
  return AcceptedReply(account, *steps, now.day);
}

}  // namespace step_service
