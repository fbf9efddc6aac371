#include "service/rate_limiter.h"

#include <gtest/gtest.h>

namespace step_service {
namespace {

using std::chrono::minutes;
using std::chrono::seconds;
using Clock = RateLimiter::Clock;

TEST(RateLimiterTest, FifthFailureInTheWindowBlocksUntilTheOldestAgesOut) {
  RateLimiter limiter(5, minutes(10));
  const Clock::time_point start{};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(limiter.RetryAfter("li", start + minutes(i)), Clock::duration::zero()) << i;
    limiter.RecordFailure("li", start + minutes(i));
  }
  EXPECT_EQ(limiter.RetryAfter("li", start + minutes(4)), minutes(6));
  EXPECT_EQ(limiter.RetryAfter("li", start + minutes(9) + seconds(59)), seconds(1));
  EXPECT_EQ(limiter.RetryAfter("other", start + minutes(4)), Clock::duration::zero());
  // At ten minutes the first failure no longer counts: one more try is allowed.
  EXPECT_EQ(limiter.RetryAfter("li", start + minutes(10)), Clock::duration::zero());
  limiter.RecordFailure("li", start + minutes(10));
  EXPECT_EQ(limiter.RetryAfter("li", start + minutes(10)), minutes(1));
}

TEST(RateLimiterTest, SuccessClearsTheRecord) {
  RateLimiter limiter(5, minutes(10));
  const Clock::time_point start{};
  for (int i = 0; i < 4; ++i) limiter.RecordFailure("li", start);
  limiter.RecordSuccess("li");
  limiter.RecordFailure("li", start);
  EXPECT_EQ(limiter.RetryAfter("li", start), Clock::duration::zero());
}

TEST(RateLimiterTest, SweepingManyAgedNamesKeepsLiveRecords) {
  RateLimiter limiter(5, minutes(10));
  const Clock::time_point start{};
  for (int i = 0; i < 20000; ++i) limiter.RecordFailure("name" + std::to_string(i), start);
  for (int i = 0; i < 5; ++i) limiter.RecordFailure("li", start + minutes(5));
  // These trigger sweeps that drop the aged names but must keep li's failures.
  for (int i = 0; i < 20000; ++i) {
    limiter.RecordFailure("late" + std::to_string(i), start + minutes(11));
  }
  EXPECT_EQ(limiter.RetryAfter("li", start + minutes(11)), minutes(4));
  EXPECT_EQ(limiter.RetryAfter("name0", start + minutes(11)), Clock::duration::zero());
}

}  // namespace
}  // namespace step_service
