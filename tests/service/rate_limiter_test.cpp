// The back-off policy, on each store kind.
#include "service/rate_limiter.h"

#include <gtest/gtest.h>

#include "service/source_address.h"
#include "tests/service/store_fixture.h"

namespace step_service {
namespace {

using service_test::StoreKind;
using std::chrono::minutes;
using std::chrono::seconds;
using Clock = RateLimiter::Clock;
using Duration = Clock::duration;

class RateLimiterTest : public service_test::StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    if (store_)
      limiter_ = std::make_unique<RateLimiter>(*store_, BackOffLimits{5, 20, minutes(10)});
  }

  Duration Wait(std::string_view account, std::string_view source, Clock::time_point now) {
    Duration wait{};
    EXPECT_EQ(limiter_->RetryAfter(account, source, now, wait), StoreResult::kDone);
    return wait;
  }
  void Fail(std::string_view account, std::string_view source, Clock::time_point now) {
    EXPECT_EQ(limiter_->RecordFailure(account, source, now), StoreResult::kDone);
  }

  // Whole milliseconds, as the store keeps them.
  const Clock::time_point start_ = Clock::time_point(minutes(29'000'000));
  std::unique_ptr<RateLimiter> limiter_;
};

TEST_P(RateLimiterTest, FifthFailureInTheWindowBlocksUntilTheOldestAgesOut) {
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Wait("li", "127.0.0.1", start_ + minutes(i)), Duration::zero()) << i;
    Fail("li", "127.0.0.1", start_ + minutes(i));
  }
  EXPECT_EQ(Wait("li", "127.0.0.1", start_ + minutes(4)), minutes(6));
  EXPECT_EQ(Wait("li", "127.0.0.1", start_ + minutes(9) + seconds(59)), seconds(1));
  EXPECT_EQ(Wait("other", "127.0.0.1", start_ + minutes(4)), Duration::zero());
  // At ten minutes the first failure no longer counts: one more try is allowed.
  EXPECT_EQ(Wait("li", "127.0.0.1", start_ + minutes(10)), Duration::zero());
  Fail("li", "127.0.0.1", start_ + minutes(10));
  EXPECT_EQ(Wait("li", "127.0.0.1", start_ + minutes(10)), minutes(1));
}

TEST_P(RateLimiterTest, AnAccountLockedFromOneSourceStaysOpenToOthers) {
  for (int i = 0; i < 5; ++i) Fail("li", "127.0.0.1", start_);
  EXPECT_EQ(Wait("li", "127.0.0.1", start_), minutes(10));
  EXPECT_EQ(Wait("li", "127.0.0.2", start_), Duration::zero());
  // The owner signing in elsewhere does not lift the lock on the attacker's source.
  EXPECT_EQ(limiter_->RecordSuccess("li", "127.0.0.2"), StoreResult::kDone);
  EXPECT_EQ(Wait("li", "127.0.0.1", start_), minutes(10));
}

TEST_P(RateLimiterTest, GuessesSpreadOverAccountsHitTheSourceLimit) {
  for (int i = 0; i < 19; ++i) Fail("user" + std::to_string(i), "127.0.0.3", start_ + seconds(i));
  EXPECT_EQ(Wait("fresh", "127.0.0.3", start_ + seconds(19)), Duration::zero());
  Fail("user19", "127.0.0.3", start_ + seconds(19));
  EXPECT_EQ(Wait("fresh", "127.0.0.3", start_ + seconds(19)), minutes(10) - seconds(19));
  EXPECT_EQ(Wait("fresh", "127.0.0.4", start_ + seconds(19)), Duration::zero());
  // A right password on one account leaves the source's count over all accounts as it was.
  EXPECT_EQ(limiter_->RecordSuccess("user0", "127.0.0.3"), StoreResult::kDone);
  EXPECT_GT(Wait("fresh", "127.0.0.3", start_ + seconds(19)), Duration::zero());
  // The same address written as IPv4-mapped IPv6 is the same source.
  EXPECT_GT(Wait("fresh", "::ffff:127.0.0.3", start_ + seconds(19)), Duration::zero());
}

TEST_P(RateLimiterTest, SuccessClearsTheRecordAndAgedFailuresAreForgotten) {
  for (int i = 0; i < 4; ++i) Fail("li", "127.0.0.1", start_);
  EXPECT_EQ(limiter_->RecordSuccess("li", "127.0.0.1"), StoreResult::kDone);
  Fail("li", "127.0.0.1", start_);
  EXPECT_EQ(Wait("li", "127.0.0.1", start_), Duration::zero());

  // A failure past the window removes older ones from the store altogether.
  Fail("wang", "127.0.0.5", start_ + minutes(11));
  std::optional<int64_t> at;
  EXPECT_EQ(store_->FindRecentFailure("a|127.0.0.1|li", 1, 0, at), StoreResult::kDone);
  EXPECT_FALSE(at.has_value());
}

INSTANTIATE_FOR_BOTH_STORES(RateLimiterTest);

TEST(SourceKeyTest, AddressesAreCountedByHostOrIpv6Network) {
  const std::pair<const char*, const char*> cases[] = {
      {"127.0.0.1", "127.0.0.1"},
      {"127.0.0.2", "127.0.0.2"},
      {"::ffff:127.0.0.2", "127.0.0.2"},
      {"2001:db8:1:2:3:4:5:6", "2001:db8:1:2::/64"},
      {"2001:db8:1:2::9", "2001:db8:1:2::/64"},
      {"::1", "::/64"},
      {"not an address", "not an address"},
  };
  for (const auto& [address, key] : cases) EXPECT_EQ(SourceKey(address), key) << address;
}

TEST(ClientAddressTest, OnlyATrustedProxyNamesTheClient) {
  const std::vector<std::string> proxies = {"127.0.0.9"};
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"127.0.0.1", "", "127.0.0.1"},
      {"127.0.0.1", "10.0.0.7", "127.0.0.1"},  // not the proxy: its header is the client's word
      {"127.0.0.9", "10.0.0.7", "10.0.0.7"},
      {"127.0.0.9", "1.2.3.4, 10.0.0.7", "10.0.0.7"},  // the proxy appends the address it saw
      {"127.0.0.9", "", "127.0.0.9"},
  };
  for (const auto& [peer, header, client] : cases) {
    EXPECT_EQ(ClientAddress(peer, header, proxies), client) << peer << " " << header;
  }
}

}  // namespace
}  // namespace step_service
