#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace service_test {

// What a run of parallel submissions met.
struct LoadFigures {
  int accepted = 0;               // 200
  int busy = 0;                   // 503 with a Retry-After
  int busyWithoutRetryAfter = 0;  // 503 without one
  int other = 0;                  // any other status
  int unanswered = 0;             // no reply: time-out or connection lost
  std::vector<double> acceptedMs;  // the time each 200 took, in milliseconds

  // The `fraction` (e.g. 0.99) percentile of acceptedMs; 0 when nothing was accepted.
  double AcceptedPercentileMs(double fraction) const;
};

// `clients` threads, each on a kept-alive connection of its own to 127.0.0.1:port, submit
// steps as fast as answers come for `duration`, as accounts userN / pwN for N below `accounts`;
// after a 503 a client waits as long as its Retry-After says.
LoadFigures RunSubmissionLoad(int port, int clients, std::chrono::seconds duration, int accounts);

// Accounts userN with password pwN for N below `count`, added a few at a time through
// `step-service account add`.
void AddNumberedAccounts(const std::string& dbFile, int count);

}  // namespace service_test
