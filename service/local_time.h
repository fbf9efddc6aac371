#pragma once

#include <string>

namespace step_service {

// The present moment on the server's local clock, in the two forms the store keeps.
struct LocalStamp {
  std::string day;        // YYYY-MM-DD
  std::string timestamp;  // YYYY-MM-DDTHH:MM:SS+hhmm
};

LocalStamp LocalStampNow();

}  // namespace step_service
