#include "service/local_time.h"

#include <ctime>

namespace step_service {

LocalStamp LocalStampNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char day[16];
  char timestamp[40];
  std::strftime(day, sizeof day, "%Y-%m-%d", &local);
  std::strftime(timestamp, sizeof timestamp, "%Y-%m-%dT%H:%M:%S%z", &local);
  return {day, timestamp};
}

}  // namespace step_service
