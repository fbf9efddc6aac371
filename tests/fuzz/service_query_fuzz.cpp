// The step service's query parsing on arbitrary raw queries: no crash, and whatever it accepts
// keeps its promises (values within the length limit, step counts within range).
#include <cstdlib>
#include <string_view>

#include "service/query.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const step_service::SubmissionQuery query = step_service::ParseSubmissionQuery(raw);
  if (query.fault == step_service::QueryFault::kNone) {
    for (const auto* value : {&query.user, &query.password, &query.step}) {
      if (*value && (*value)->size() > step_service::kMaxParameterBytes) std::abort();
    }
    if (query.step) {
      std::optional<int> steps = step_service::ParseStepCount(*query.step);
      if (steps && (*steps < 0 || *steps > step_service::kMaxSteps)) std::abort();
    }
  }
  step_service::ParseStepCount(raw);
  return 0;
}
