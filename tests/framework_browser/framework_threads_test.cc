// The browser side's own threads outlive what their work throws: a handler
// or a fetch that throws (memory that runs out, say) costs that piece of
// work, never the process.
#include <atomic>
#include <stdexcept>

#include "gtest/gtest.h"
#include "src/browser/fetch_pool.h"
#include "src/browser/io_thread.h"
#include "src/core/message_loop.h"

namespace cef_internal {
namespace {

TEST(FrameworkThreadsTest, TheIoThreadRunsOnAfterATaskThrows) {
  bool ran_after = false;
  {
    IoThread io;
    io.Post([] { throw std::runtime_error("from a handler"); });
    io.Post([] { throw std::bad_alloc(); });
    io.Post([&] { ran_after = true; });
  }
  EXPECT_TRUE(ran_after);
}

TEST(FrameworkThreadsTest, FetchWorkersRunOnAfterAJobThrows) {
  std::atomic<int> ran{0};
  for (int i = 0; i < 2 * FetchPool::kWorkers; ++i)
    ASSERT_TRUE(FetchPool::Get()->Post([] { throw std::bad_alloc(); }));
  for (int i = 0; i < FetchPool::kWorkers; ++i)
    ASSERT_TRUE(FetchPool::Get()->Post([&] { ++ran; }));
  EXPECT_TRUE(MessageLoop::Current()->RunUntil(
      [&] { return ran.load() == FetchPool::kWorkers; }, 15000));
}

}  // namespace
}  // namespace cef_internal
