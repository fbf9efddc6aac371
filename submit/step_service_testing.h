// For tests only: aims the submission flow at a test's own server and shortens its deadline. No
// user setting reaches these.
#pragma once

#include <cstdint>

#include "text/text.h"

// host[:port] to use instead of the built-in host; an empty Text restores the built-in one.
void AimStepServiceForTesting(const Text& host);

// The deadline of one submission in milliseconds; 0 restores the built-in minute.
void LimitSubmissionForTesting(std::uint32_t ms);
