// Binds the handler names of the window descriptions to their functions.
#pragma once

#include "platform/toolkit/toolkit.h"
#include "text/text.h"

// The function for a handler name of a description; nullptr for a name not bound (yet).
Handler FindHandler(const Text& name);
