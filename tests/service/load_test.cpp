// The service under a short version of the 64-client load (the full minute is
// bench/service/load_bench): every request answered in time, memory bounded and given back.
#include <gtest/gtest.h>

#include <thread>

#include "tests/service/load_driver.h"
#include "tests/service/service_process.h"

namespace service_test {
namespace {

// AddressSanitizer slows every request several times over and holds freed memory in its
// quarantine, so its build checks the answers only, not their time or the memory.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kMeasuredBuild = false;
#else
constexpr bool kMeasuredBuild = true;
#endif

TEST(LoadTest, SixtyFourClientsAreAllAnsweredQuicklyInBoundedMemory) {
  constexpr int kAccounts = 64;  // one per client: no client waits for another's account
  TempDir dir;
  const std::string db = dir.path() + "/steps.db";
  AddNumberedAccounts(db, kAccounts);
  RunningService service(db);
  // A few submissions first, so that every hashing thread has its working area.
  RunSubmissionLoad(service.port(), 4, std::chrono::seconds(1), kAccounts);
  const long idleKb = ProcessMemoryKb(service.pid(), "VmRSS");

  const LoadFigures figures =
      RunSubmissionLoad(service.port(), 64, std::chrono::seconds(12), kAccounts);
  const long peakKb = ProcessMemoryKb(service.pid(), "VmHWM");
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const long afterKb = ProcessMemoryKb(service.pid(), "VmRSS");

  const double p99 = figures.AcceptedPercentileMs(0.99);
  std::printf("accepted %d, busy %d, p50 %.0f ms, p99 %.0f ms; RSS idle %ld kB, peak %ld kB, "
              "after %ld kB\n",
              figures.accepted, figures.busy, figures.AcceptedPercentileMs(0.5), p99, idleKb,
              peakKb, afterKb);
  EXPECT_GT(figures.accepted, 0);
  EXPECT_EQ(figures.unanswered, 0);
  EXPECT_EQ(figures.other, 0);
  EXPECT_EQ(figures.busyWithoutRetryAfter, 0);
  if (!kMeasuredBuild) return;
  EXPECT_LT(p99, 2000);
  EXPECT_LT(peakKb, 150 * 1024);
  EXPECT_LT(afterKb, idleKb + 16 * 1024);
}

}  // namespace
}  // namespace service_test
