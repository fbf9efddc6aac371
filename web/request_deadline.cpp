#include "web/request_deadline.h"

// <chrono> itself does not build with the GBK execution charset; <condition_variable> brings the
// durations.

RequestDeadline::RequestDeadline(HINTERNET request, std::uint32_t ms) {
  if (ms == 0) return;
  watcher_ = std::thread([this, request, ms] {
    std::unique_lock lock(mutex_);
    if (wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return disarmed_; })) return;
    fired_ = true;
    InternetCloseHandle(request);
  });
}

RequestDeadline::~RequestDeadline() { Disarm(); }

bool RequestDeadline::Disarm() {
  {
    std::lock_guard lock(mutex_);
    disarmed_ = true;
  }
  wake_.notify_one();
  if (watcher_.joinable()) watcher_.join();
  return fired_;
}
