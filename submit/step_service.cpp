#include "submit/step_service.h"

#include "submit/step_service_testing.h"

namespace {

constexpr std::uint32_t kSubmissionDeadlineMs = 60000;

Text& TestHost() {
  static Text host;
  return host;
}

std::uint32_t& TestDeadlineMs() {
  static std::uint32_t ms = 0;
  return ms;
}

}  // namespace

Text StepServiceHost() { return TestHost().empty() ? Text(STEP_SERVICE_HOST) : TestHost(); }

Text StepServiceUrlPrefix() { return "https://" + StepServiceHost() + "/api/mi?user="; }

std::uint32_t SubmissionDeadlineMs() {
  return TestDeadlineMs() != 0 ? TestDeadlineMs() : kSubmissionDeadlineMs;
}

void AimStepServiceForTesting(const Text& host) { TestHost() = host; }

void LimitSubmissionForTesting(std::uint32_t ms) { TestDeadlineMs() = ms; }
