// For tests only: aims the submission flow at a test's own server. No user setting reaches this.
#pragma once

#include "text/text.h"

// host[:port] to use instead of the built-in host; an empty Text restores the built-in one.
void AimStepServiceForTesting(const Text& host);
