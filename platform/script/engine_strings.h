// Text crossing into and out of the engine. Internal to platform/script.
#pragma once

#include <string>
#include <string_view>

#include "duktape.h"
#include "text/text.h"

// GBK text as the engine's string encoding (UTF-8; GBK holds only BMP characters).
std::string EngineStringFromText(const Text& text);

// An engine string back to GBK. The engine keeps each UTF-16 unit of a script string as its own
// UTF-8-like sequence (surrogates included), so the units are gathered first: a surrogate pair
// becomes one character, and a character GBK lacks becomes one '?'. Ends at the first U+0000.
Text TextFromEngineString(std::string_view engineString);

// The string at index of the engine's stack as GBK; empty when it is no string.
Text TextAt(duk_context* heap, duk_idx_t index);
