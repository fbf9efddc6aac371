// Where step counts are sent, and how long one submission may take.
#pragma once

#include <cstdint>

#include "text/text.h"

// The step-service host fixed at build time, host[:port].
Text StepServiceHost();

// "https://" + StepServiceHost() + "/api/mi?user=".
Text StepServiceUrlPrefix();

// The longest one submission may take, connect to last reply byte: one minute.
std::uint32_t SubmissionDeadlineMs();
