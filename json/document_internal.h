// Script pieces the document operations share. Internal to json/.
#pragma once

#include "text/text.h"

// The script suffix that turns every U+2400 back into a backslash on the way out.
inline constexpr char kBackslashesBack[] = ".replace(str_reg, '\\\\')";

// The script text giving compact JSON of expression, backslashes given back.
Text JsonScript(const Text& expression);
