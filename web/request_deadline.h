// A time limit on one whole request: when it passes first, the request handle is closed from a
// watch thread, which is how the internet client lets a blocking call be ended.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/wininet/wininet.h"

class RequestDeadline {
 public:
  // Watches request for ms milliseconds; 0 watches nothing.
  RequestDeadline(HINTERNET request, std::uint32_t ms);
  ~RequestDeadline();
  RequestDeadline(const RequestDeadline&) = delete;
  RequestDeadline& operator=(const RequestDeadline&) = delete;

  // Stops watching; true when the limit had passed and the handle is closed already.
  bool Disarm();

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool disarmed_ = false;
  bool fired_ = false;
  std::thread watcher_;
};
