// Sends one step count to the step service and says what came of it. No windows, no settings:
// the caller shows the outcome and remembers what it must.
#pragma once

#include "text/text.h"

// The reply's "msg" that means the count was recorded (GBK).
extern const Text kStepsAccepted;  // 数据提交成功

struct SubmissionOutcome {
  // The reply's "msg" as GBK text; empty when no reply came, it was no JSON or had no "msg".
  Text message;
  // message is exactly kStepsAccepted: only then may account and password be remembered.
  bool accepted = false;
  // A reply arrived at all; false when the service could not be reached or gave nothing.
  bool replied = false;
};

// One HTTPS GET of account, password and steps to the step service; blocks until the reply has
// been read and parsed. Each value travels percent-encoded as UTF-8.
SubmissionOutcome SubmitStepCount(const Text& account, const Text& password, const Text& steps);
