#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "service/password_hash.h"

namespace step_service {

// A fixed set of threads for the work that hashes passwords. Each thread owns one ScryptArea
// and lends it to the job it runs, so the hashing memory is the number of threads times one
// area, whatever the traffic. Work that would wait longer than `maxQueuedWork` is refused at
// once instead of queueing without end.
class HashPool {
 public:
  using Job = std::function<void(ScryptArea&)>;

  // `threads` 0 means one per core.
  HashPool(size_t threads, std::chrono::milliseconds maxQueuedWork);
  // Runs what is queued, then joins the threads.
  ~HashPool();

  HashPool(const HashPool&) = delete;
  HashPool& operator=(const HashPool&) = delete;

  // Queues `job`, or returns false when the jobs already waiting are estimated to take longer
  // than maxQueuedWork; `retryAfter` then says when the queue should be back within it (at
  // least a second).
  bool TryPost(Job job, std::chrono::seconds& retryAfter);

 private:
  void Work();

  const std::chrono::nanoseconds maxQueuedWork_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<Job> jobs_;
  size_t running_ = 0;
  bool stopping_ = false;
  // Average time one job takes, weighted towards the latest (a 1/8 moving average).
  std::chrono::nanoseconds jobCost_ = std::chrono::milliseconds(50);
  std::vector<std::thread> threads_;
};

}  // namespace step_service
