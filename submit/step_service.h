// Where step counts are sent.
#pragma once

#include "text/text.h"

// "https://" + the step-service host fixed at build time + "/api/mi?user=".
Text StepServiceUrlPrefix();
