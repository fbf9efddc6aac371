#include "tests/service/load_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "tests/service/https_client.h"
#include "tests/service/service_process.h"

namespace service_test {

double LoadFigures::AcceptedPercentileMs(double fraction) const {
  if (acceptedMs.empty()) return 0;
  std::vector<double> sorted = acceptedMs;
  std::sort(sorted.begin(), sorted.end());
  const size_t index = std::min(sorted.size() - 1, static_cast<size_t>(fraction * sorted.size()));
  return sorted[index];
}

LoadFigures RunSubmissionLoad(int port, int clients, std::chrono::seconds duration, int accounts) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + duration;
  LoadFigures total;
  std::mutex mutex;
  std::vector<std::thread> threads;
  for (int i = 0; i < clients; ++i) {
    threads.emplace_back([&, i] {
      LoadFigures mine;
      HttpsClient client(port);
      const std::string n = std::to_string(i % accounts);
      for (int step = 1; Clock::now() < end; ++step) {
        const auto start = Clock::now();
        const HttpReply reply =
            client.Get(SubmissionTarget("user" + n, "pw" + n, std::to_string(step % 98800)));
        const std::chrono::duration<double, std::milli> took = Clock::now() - start;
        if (!reply.answered) {
          ++mine.unanswered;
        } else if (reply.status == 200) {
          ++mine.accepted;
          mine.acceptedMs.push_back(took.count());
        } else if (reply.status == 503 && !reply.retryAfter.empty()) {
          // As a client should: come back when the service said.
          ++mine.busy;
          std::this_thread::sleep_for(std::chrono::seconds(std::stoi(reply.retryAfter)));
        } else if (reply.status == 503) {
          ++mine.busyWithoutRetryAfter;
        } else {
          ++mine.other;
        }
      }
      std::lock_guard lock(mutex);
      total.accepted += mine.accepted;
      total.busy += mine.busy;
      total.busyWithoutRetryAfter += mine.busyWithoutRetryAfter;
      total.other += mine.other;
      total.unanswered += mine.unanswered;
      total.acceptedMs.insert(total.acceptedMs.end(), mine.acceptedMs.begin(),
                              mine.acceptedMs.end());
    });
  }
  for (auto& thread : threads) thread.join();
  return total;
}

void AddNumberedAccounts(const std::string& dbFile, int count) {
  // Eight at a time: each adder hashes in 16 MiB of its own.
  constexpr int kParallel = 8;
  std::atomic<int> next{0};
  std::vector<std::thread> adders;
  for (int k = 0; k < kParallel; ++k) {
    adders.emplace_back([&] {
      for (int i = next++; i < count; i = next++) {
        const std::string n = std::to_string(i);
        const CommandResult result =
            RunStepService({"account", "add", "user" + n, "--db", dbFile}, "pw" + n + "\n");
        EXPECT_EQ(result.exitCode, 0) << result.err;
      }
    });
  }
  for (auto& adder : adders) adder.join();
}

}  // namespace service_test
