#include "submit/step_service.h"

#include "submit/step_service_testing.h"

namespace {
Text& TestHost() {
  static Text host;
  return host;
}
}  // namespace

Text StepServiceUrlPrefix() {
  const Text host = TestHost().empty() ? Text(STEP_SERVICE_HOST) : TestHost();
  return "https://" + host + "/api/mi?user=";
}

void AimStepServiceForTesting(const Text& host) { TestHost() = host; }
