// Sends one step count to the step service and says what came of it. No windows, no settings:
// the caller shows the outcome and remembers what it must.
#pragma once

#include <cstdint>

#include "text/text.h"

// The reply's "msg" that means the count was recorded (GBK).
extern const Text kStepsAccepted;  // 数据提交成功

struct SubmissionOutcome {
  // The reply's "msg" as GBK text; empty when no reply came, it was no JSON or had no "msg".
  Text message = {};
  // message is exactly kStepsAccepted: only then may account and password be remembered.
  bool accepted = false;
  // The internet client's error code when no whole reply came; 0 when one did.
  std::uint32_t failure = 0;
  // The reply's HTTP status; 0 when there was none.
  int status = 0;
  // The request was ended on purpose (its window was closed): nobody waits for an answer.
  bool cancelled = false;
};

// One HTTPS GET of account, password and steps to the step service, ended after one minute at
// the latest; blocks until the reply has been read and parsed. Each value travels
// percent-encoded as UTF-8.
SubmissionOutcome SubmitStepCount(const Text& account, const Text& password, const Text& steps);

// What the user is told: the reply's "msg" whenever it has one; otherwise, in plain words, what
// went wrong and where (no reply, or a reply without a message and its HTTP status).
Text OutcomeMessage(const SubmissionOutcome& outcome);
