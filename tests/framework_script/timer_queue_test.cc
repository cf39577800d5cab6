#include "src/script/timer_queue.h"

#include "gtest/gtest.h"

namespace cef_internal {
namespace {

TEST(TimerQueueTest, DelaysAreClampedAsTheEngineDoes) {
  // Every timer waits at least a millisecond.
  EXPECT_EQ(1, TimerQueue::ClampedDelay(0, 1));
  EXPECT_EQ(1, TimerQueue::ClampedDelay(0, 4));
  EXPECT_EQ(3, TimerQueue::ClampedDelay(3, 4));
  // From nesting level 5 (a timer set from a callback four timers deep)
  // short delays become 4 ms; longer ones stay.
  EXPECT_EQ(4, TimerQueue::ClampedDelay(0, 5));
  EXPECT_EQ(4, TimerQueue::ClampedDelay(3, 50));
  EXPECT_EQ(4, TimerQueue::ClampedDelay(4, 5));
  EXPECT_EQ(10, TimerQueue::ClampedDelay(10, 6));
  EXPECT_EQ(10, TimerQueue::ClampedDelay(10, 1));
}

}  // namespace
}  // namespace cef_internal
