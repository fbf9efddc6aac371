// The step service under a minute of 64 clients submitting as fast as they are answered (each
// waiting out the Retry-After of a 503), beside the same service idle: answers, latency of the
// accepted ones, and the service's memory before, at its peak and after.
// Usage: service_load_bench [SECONDS] [CLIENTS]
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tests/service/load_driver.h"
#include "tests/service/service_process.h"

using namespace service_test;

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  const int clients = argc > 2 ? std::atoi(argv[2]) : 64;
  TempDir dir;
  const std::string db = dir.path() + "/steps.db";
  AddNumberedAccounts(db, clients);
  RunningService service(db);
  RunSubmissionLoad(service.port(), 4, std::chrono::seconds(2), clients);
  const long idleKb = ProcessMemoryKb(service.pid(), "VmRSS");

  const LoadFigures figures =
      RunSubmissionLoad(service.port(), clients, std::chrono::seconds(seconds), clients);
  const long peakKb = ProcessMemoryKb(service.pid(), "VmHWM");
  std::this_thread::sleep_for(std::chrono::seconds(15));
  const long afterKb = ProcessMemoryKb(service.pid(), "VmRSS");

  std::printf("%d clients for %d s on %u cores\n", clients, seconds,
              std::thread::hardware_concurrency());
  std::printf("answers: 200 %d (%.1f/s), 503 with Retry-After %d, 503 without %d, other %d, "
              "none %d\n",
              figures.accepted, figures.accepted / static_cast<double>(seconds), figures.busy,
              figures.busyWithoutRetryAfter, figures.other, figures.unanswered);
  std::printf("latency of 200: p50 %.0f ms, p90 %.0f ms, p99 %.0f ms, max %.0f ms\n",
              figures.AcceptedPercentileMs(0.5), figures.AcceptedPercentileMs(0.9),
              figures.AcceptedPercentileMs(0.99), figures.AcceptedPercentileMs(1.0));
  std::printf("service RSS: idle %.1f MB, peak %.1f MB, 15 s after %.1f MB\n", idleKb / 1024.0,
              peakKb / 1024.0, afterKb / 1024.0);
  return 0;
}
