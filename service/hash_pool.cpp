#include "service/hash_pool.h"

#include <algorithm>

namespace step_service {

HashPool::HashPool(size_t threads, std::chrono::milliseconds maxQueuedWork)
    : maxQueuedWork_(maxQueuedWork) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  for (size_t i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
}

HashPool::~HashPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  queued_.notify_all();
  for (auto& thread : threads_) thread.join();
}

bool HashPool::TryPost(Job job, std::chrono::seconds& retryAfter) {
  {
    std::lock_guard lock(mutex_);
    // The jobs running and those waiting go at one per thread per jobCost_.
    const auto wait = jobCost_ * static_cast<int64_t>(running_ + jobs_.size()) /
                      static_cast<int64_t>(threads_.size());
    if (wait > maxQueuedWork_) {
      // By then the queue is back within bounds, if nothing else arrives.
      retryAfter = std::max(std::chrono::seconds(1),
                            std::chrono::ceil<std::chrono::seconds>(wait - maxQueuedWork_));
      return false;
    }
    jobs_.push_back(std::move(job));
  }
  queued_.notify_one();
  return true;
}

void HashPool::Work() {
  ScryptArea area;
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      queued_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
      ++running_;
    }
    const auto start = std::chrono::steady_clock::now();
    job(area);
    const auto took = std::chrono::steady_clock::now() - start;
    std::lock_guard lock(mutex_);
    --running_;
    jobCost_ += (std::chrono::duration_cast<std::chrono::nanoseconds>(took) - jobCost_) / 8;
  }
}

}  // namespace step_service
