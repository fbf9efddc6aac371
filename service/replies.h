#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace step_service {

// What became of a request; each has its HTTP status, reply code and message.
enum class Outcome {
  kAccepted,
  kHealthy,
  kMissingCredentials,
  kBadStep,
  kBadEncoding,
  kNotUtf8,
  kRepeated,
  kTooLong,
  kWrongCredentials,
  kTooManyAttempts,
  kNotFound,
  kMethodNotAllowed,
  kBadRequest,
  kServerError,
  kBusy,  // the password checks queued are more than the service takes on
  kStoreUnavailable,  // the database cannot be reached (restarting); nothing was stored
};

struct Reply {
  int status = 500;
  std::string body;  // JSON, UTF-8
  Outcome outcome = Outcome::kServerError;
  std::chrono::seconds retryAfter{0};  // for kTooManyAttempts, kBusy and kStoreUnavailable
};

// {"code":0,"msg":"数据提交成功","data":{"user":...,"step":...,"date":...}}
Reply AcceptedReply(std::string_view user, int step, std::string_view date);

// {"code":N,"msg":...} for every other outcome; `retryAfter` is sent with kTooManyAttempts
// (whose msg names the minutes) and kBusy.
Reply OutcomeReply(Outcome outcome, std::chrono::seconds retryAfter = std::chrono::seconds(0));

// A short fixed word for the log line, e.g. "accepted", "wrong-credentials".
const char* OutcomeName(Outcome outcome);

// `text` (UTF-8) as a JSON string literal, quotes included.
std::string JsonString(std::string_view text);

}  // namespace step_service
