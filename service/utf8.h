#pragma once

#include <string_view>

namespace step_service {

// True when `bytes` is well-formed UTF-8: shortest forms only, no surrogates, nothing above
// U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

}  // namespace step_service
