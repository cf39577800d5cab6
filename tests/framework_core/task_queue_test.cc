#include "src/core/task_queue.h"

#include <memory>
#include <vector>

#include "gtest/gtest.h"

namespace cef_internal {
namespace {

class CountingWaker : public TaskQueue::Delegate {
 public:
  bool PostWake() override {
    ++wakes;
    return accept;
  }
  int wakes = 0;
  bool accept = true;
};

class TaskQueueTest : public testing::Test {
 protected:
  // Runs what TakeNext() hands out, in turn.
  void RunAll() {
    TaskQueue::Task task;
    while (queue_.TakeNext(&task))
      task();
  }

  CountingWaker waker_;
  TaskQueue queue_{&waker_};
  std::vector<int> ran_;
};

TEST_F(TaskQueueTest, TasksRunInPostingOrderDelayedOnesByDueTime) {
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(queue_.Post([this, i] { ran_.push_back(i); }, 0));
  EXPECT_EQ(3u, queue_.size());
  RunAll();
  EXPECT_EQ((std::vector<int>{0, 1, 2}), ran_);
  EXPECT_TRUE(queue_.empty());

  ran_.clear();
  queue_.Post([this] { ran_.push_back(20); }, 20000);
  queue_.Post([this] { ran_.push_back(10); }, 10000);
  queue_.Post([this] { ran_.push_back(11); }, 10000);
  const ULONGLONG due = queue_.NextDue();
  ASSERT_NE(0u, due);
  EXPECT_GT(queue_.TimeToNextDelayed(), 5000u);
  TaskQueue::Task task;
  EXPECT_FALSE(queue_.TakeDueDelayed(due - 1, &task));
  // The same delay keeps posting order; a later one waits for its time.
  const ULONGLONG now = due + 5000;
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(queue_.TakeDueDelayed(now, &task));
    task();
  }
  EXPECT_FALSE(queue_.TakeDueDelayed(now, &task));
  EXPECT_EQ((std::vector<int>{10, 11}), ran_);
  EXPECT_GT(queue_.NextDue(), due);
}

TEST_F(TaskQueueTest, OneWakeAtATimeUntilTheOwnerBeginsARound) {
  queue_.Post([] {}, 0);
  queue_.Post([] {}, 0);
  queue_.Post([] {}, 50);
  EXPECT_EQ(1, waker_.wakes);
  EXPECT_EQ(2u, queue_.BeginRound());
  queue_.Post([] {}, 0);
  EXPECT_EQ(2, waker_.wakes);
  // A wake that was not sent leaves the next post to ask again.
  queue_.BeginRound();
  waker_.accept = false;
  queue_.Post([] {}, 0);
  queue_.Post([] {}, 0);
  EXPECT_EQ(4, waker_.wakes);
  waker_.accept = true;
  queue_.WakeIfQueued();
  EXPECT_EQ(5, waker_.wakes);
  RunAll();
  queue_.BeginRound();
  queue_.WakeIfQueued();
  EXPECT_EQ(5, waker_.wakes);
}

TEST_F(TaskQueueTest, AfterShutdownTasksAreRefusedAndWhatWaitedIsReleased) {
  std::shared_ptr<int> captured = std::make_shared<int>(1);
  queue_.Post([captured] {}, 0);
  queue_.Post([captured] {}, 1000);
  EXPECT_EQ(3, captured.use_count());
  queue_.Shutdown();
  EXPECT_EQ(1, captured.use_count());
  EXPECT_FALSE(queue_.Post([captured] {}, 0));
  EXPECT_EQ(1, captured.use_count());
  EXPECT_TRUE(queue_.empty());
  EXPECT_EQ(0u, queue_.NextDue());
  EXPECT_EQ(INFINITE, queue_.TimeToNextDelayed());
}

}  // namespace
}  // namespace cef_internal
