// CefCurrentlyOn for each framework thread: the main loop's thread is the UI
// and the renderer thread only where this kind of process has them, and a
// thread marked for TID_IO is that one alone.
#include "src/core/named_thread.h"

#include <thread>

#include "gtest/gtest.h"
#include "include/cef_task.h"
#include "src/core/message_loop.h"

namespace cef_internal {
namespace {

class NamedThreadTest : public ::testing::Test {
 protected:
  NamedThreadTest() { MessageLoop::SetMain(MessageLoop::Current()); }
  ~NamedThreadTest() override { SetMainThreadServes(true, true); }
};

TEST_F(NamedThreadTest, TheMainThreadIsOnlyWhatThisProcessHas) {
  EXPECT_TRUE(CefCurrentlyOn(TID_UI));
  EXPECT_TRUE(CefCurrentlyOn(TID_RENDERER));

  // A render process: no UI thread, and nothing can be posted to one.
  SetMainThreadServes(/*ui=*/false, /*renderer=*/true);
  EXPECT_FALSE(CefCurrentlyOn(TID_UI));
  EXPECT_TRUE(CefCurrentlyOn(TID_RENDERER));
  EXPECT_FALSE(CefPostTask(TID_UI, nullptr));

  // The browser process of a multi-process run.
  SetMainThreadServes(/*ui=*/true, /*renderer=*/false);
  EXPECT_TRUE(CefCurrentlyOn(TID_UI));
  EXPECT_FALSE(CefCurrentlyOn(TID_RENDERER));
}

TEST_F(NamedThreadTest, OnlyTheMarkedThreadIsTheIoThread) {
  EXPECT_FALSE(CefCurrentlyOn(TID_IO));
  bool on_io = false;
  bool ui_there = true;
  std::thread([&] {
    MarkCurrentThreadAs(TID_IO);
    on_io = CefCurrentlyOn(TID_IO);
    ui_there = CefCurrentlyOn(TID_UI);
  }).join();
  EXPECT_TRUE(on_io);
  EXPECT_FALSE(ui_there);
  EXPECT_FALSE(CefCurrentlyOn(TID_IO));
  EXPECT_FALSE(CefCurrentlyOn(TID_FILE));
}

}  // namespace
}  // namespace cef_internal
