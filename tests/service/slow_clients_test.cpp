// A thousand connections dribbling a request header a byte at a time: /healthz stays quick
// while they hang on, and each is closed when its request deadline passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "tests/service/https_client.h"
#include "tests/service/service_process.h"

namespace service_test {
namespace {

using Clock = std::chrono::steady_clock;

struct Dribbler {
  std::unique_ptr<TlsConnection> connection;
  Clock::time_point firstByte;
  Clock::time_point closed;
  size_t sent = 0;
};

TEST(SlowClientsTest, AThousandDribblingHeadersDoNotStopHealthzAndEndAtTheDeadline) {
  constexpr int kDribblers = 1000;
  constexpr auto kDeadline = std::chrono::seconds(5);
  constexpr auto kRound = std::chrono::milliseconds(500);
  RaiseOpenFileLimit();
  TempDir dir;
  RunningService service(dir.path() + "/steps.db",
                         {"--request-timeout", "5", "--idle-timeout", "30"});

  std::atomic<bool> probing{true};
  std::vector<double> healthMs;
  int healthFailures = 0;
  std::thread prober([&] {
    HttpsClient client(service.port());
    while (probing) {
      const auto start = Clock::now();
      if (client.Get("/healthz").status != 200) ++healthFailures;
      healthMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });

  // A header that never ends within the deadline at one byte per round.
  const std::string header =
      "GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: " + std::string(1000, 'a');
  std::vector<Dribbler> dribblers;
  auto lastRound = Clock::now();
  // Notes which connections the service has closed and sends the others their next byte.
  const auto round = [&] {
    lastRound = Clock::now();
    for (Dribbler& dribbler : dribblers) {
      if (dribbler.closed != Clock::time_point()) continue;
      if (dribbler.connection->ServerClosedOrSpoke() ||
          !dribbler.connection->Send(header.substr(dribbler.sent++, 1))) {
        dribbler.closed = Clock::now();
      }
    }
  };
  for (int i = 0; i < kDribblers; ++i) {
    Dribbler dribbler{std::make_unique<TlsConnection>(), {}, {}, 0};
    ASSERT_TRUE(dribbler.connection->Open(service.port())) << "connection " << i;
    ASSERT_TRUE(dribbler.connection->Send(header.substr(dribbler.sent++, 1)));
    dribbler.firstByte = Clock::now();
    dribblers.push_back(std::move(dribbler));
    if (Clock::now() - lastRound >= kRound) round();
  }
  const auto giveUp = dribblers.back().firstByte + kDeadline + std::chrono::seconds(5);
  while (Clock::now() < giveUp &&
         std::any_of(dribblers.begin(), dribblers.end(),
                     [](const Dribbler& d) { return d.closed == Clock::time_point(); })) {
    std::this_thread::sleep_for(kRound - (Clock::now() - lastRound));
    round();
  }
  probing = false;
  prober.join();

  int early = 0;
  int late = 0;
  for (const Dribbler& dribbler : dribblers) {
    const auto lived = dribbler.closed - dribbler.firstByte;
    if (dribbler.closed == Clock::time_point() || lived > kDeadline + std::chrono::seconds(2)) {
      ++late;
    } else if (lived < kDeadline - std::chrono::milliseconds(200)) {
      ++early;
    }
  }
  EXPECT_EQ(early, 0);
  EXPECT_EQ(late, 0);

  ASSERT_GT(healthMs.size(), 50u);
  EXPECT_EQ(healthFailures, 0);
  std::sort(healthMs.begin(), healthMs.end());
  const double p99 = healthMs[healthMs.size() * 99 / 100];
  std::printf("/healthz beside %d dribbling connections: %zu requests, p50 %.1f ms, p99 %.1f ms\n",
              kDribblers, healthMs.size(), healthMs[healthMs.size() / 2], p99);
  EXPECT_LT(p99, 100);
}

}  // namespace
}  // namespace service_test
