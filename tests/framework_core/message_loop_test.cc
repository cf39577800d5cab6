#include "src/core/message_loop.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "include/cef_task.h"

namespace cef_internal {
namespace {

TEST(MessageLoopTest, CurrentIsPerThread) {
  MessageLoop* here = MessageLoop::Current();
  EXPECT_EQ(here, MessageLoop::Current());
  EXPECT_TRUE(here->BelongsToCurrentThread());
  MessageLoop* there = nullptr;
  bool there_belongs_here = true;
  std::thread([&] {
    there = MessageLoop::Current();
    there_belongs_here = here->BelongsToCurrentThread();
  }).join();
  EXPECT_NE(here, there);
  EXPECT_FALSE(there_belongs_here);
}

TEST(MessageLoopTest, TasksRunInPostingOrderAcrossThreads) {
  MessageLoop* loop = MessageLoop::Current();
  std::vector<int> order;
  loop->PostTask([&] { order.push_back(0); });
  std::thread([&] {
    for (int i = 1; i <= 200; ++i)
      loop->PostTask([&order, i] { order.push_back(i); });
  }).join();
  loop->RunUntil([&] { return order.size() == 201; }, 5000);
  ASSERT_EQ(201u, order.size());
  for (int i = 0; i <= 200; ++i)
    EXPECT_EQ(i, order[i]);
}

TEST(MessageLoopTest, TaskPostedByTaskRunsAfterQueuedOnes) {
  MessageLoop* loop = MessageLoop::Current();
  std::vector<int> order;
  loop->PostTask([&] {
    order.push_back(1);
    loop->PostTask([&] { order.push_back(3); });
  });
  loop->PostTask([&] { order.push_back(2); });
  EXPECT_EQ(3, loop->RunUntilIdle());
  EXPECT_EQ((std::vector<int>{1, 2, 3}), order);
  EXPECT_EQ(0, loop->RunUntilIdle());
}

TEST(MessageLoopTest, DelayedTasksRunByDueTimeAfterImmediateOnes) {
  MessageLoop* loop = MessageLoop::Current();
  std::vector<int> order;
  loop->PostDelayedTask([&] { order.push_back(3); }, 120);
  loop->PostDelayedTask([&] { order.push_back(2); }, 40);
  loop->PostDelayedTask([&] { order.push_back(4); }, 120);
  loop->PostTask([&] { order.push_back(1); });
  loop->RunUntilIdle();
  EXPECT_EQ((std::vector<int>{1}), order);
  EXPECT_TRUE(loop->RunUntil([&] { return order.size() == 4; }, 5000));
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), order);
}

// A condition another thread makes true without posting anything must still
// end the wait (a loop that only rechecks when woken sleeps on forever).
TEST(MessageLoopTest, RunUntilSeesStateSetByAnotherThreadWithoutAWake) {
  MessageLoop* loop = MessageLoop::Current();
  loop->RunUntilIdle();
  std::atomic<bool> set{false};
  std::atomic<int> checks{0};
  std::thread setter([&] {
    // Set only once the loop has checked twice and gone to wait.
    while (checks < 2)
      std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    set = true;
  });
  EXPECT_TRUE(loop->RunUntil(
      [&] {
        ++checks;
        return set.load();
      },
      -1));
  setter.join();
}

TEST(MessageLoopTest, DelayedTaskFiresInsideRun) {
  MessageLoop* loop = MessageLoop::Current();
  bool ran = false;
  loop->PostDelayedTask(
      [&] {
        ran = true;
        loop->Quit();
      },
      30);
  loop->Run();
  EXPECT_TRUE(ran);
}

TEST(MessageLoopTest, QuitFromAnotherThreadEndsRun) {
  MessageLoop* loop = MessageLoop::Current();
  std::thread quitter([loop] { loop->Quit(); });
  loop->Run();
  quitter.join();
  SUCCEED();
}

TEST(MessageLoopTest, NestedRunQuitsInnermostOnly) {
  MessageLoop* loop = MessageLoop::Current();
  std::vector<int> order;
  loop->PostTask([&] {
    loop->PostTask([&] {
      order.push_back(1);
      loop->Quit();
    });
    loop->Run();
    order.push_back(2);
    loop->PostTask([&] {
      order.push_back(3);
      loop->Quit();
    });
  });
  loop->Run();
  EXPECT_EQ((std::vector<int>{1, 2, 3}), order);
}

TEST(MessageLoopTest, WmQuitEndsRunAndReachesOuterLoop) {
  MessageLoop* loop = MessageLoop::Current();
  bool inner_returned = false;
  loop->PostTask([&] {
    PostQuitMessage(0);
    loop->Run();
    inner_returned = true;
  });
  loop->Run();
  EXPECT_TRUE(inner_returned);
}

TEST(MessageLoopTest, RunUntilGivesUpAtTimeout) {
  MessageLoop* loop = MessageLoop::Current();
  EXPECT_FALSE(loop->RunUntil([] { return false; }, 50));
}

// Keeps the loop busy forever, as a page's endless zero-delay timer does:
// each task posts the next. It gives up by itself only after a minute, so a
// loop that cannot look up from it fails instead of hanging the suite.
class EndlessChain {
 public:
  explicit EndlessChain(MessageLoop* loop) : loop_(loop) {}
  void Start() {
    give_up_at_ = GetTickCount64() + 60000;
    Next();
  }
  // Lets the last posted task find the chain over.
  void Stop() { stopped_ = true; }
  bool running() const { return !stopped_ && !gave_up_; }
  int links() const { return links_; }

 private:
  void Next() {
    if (stopped_)
      return;
    if (GetTickCount64() >= give_up_at_) {
      gave_up_ = true;
      return;
    }
    ++links_;
    loop_->PostTask([this] { Next(); });
  }

  MessageLoop* loop_;
  ULONGLONG give_up_at_ = 0;
  bool stopped_ = false;
  bool gave_up_ = false;
  int links_ = 0;
};

TEST(MessageLoopTest, RunUntilLooksUpFromWorkThatNeverEnds) {
  MessageLoop* loop = MessageLoop::Current();
  EndlessChain chain(loop);
  chain.Start();
  // The timeout is honoured while tasks keep coming...
  EXPECT_FALSE(loop->RunUntil([] { return false; }, 100));
  ASSERT_TRUE(chain.running());
  // ... and so is the condition, long before any timeout.
  const int seen = chain.links();
  EXPECT_TRUE(
      loop->RunUntil([&] { return chain.links() >= seen + 1000; }, 30000));
  EXPECT_TRUE(chain.running());
  chain.Stop();
  loop->RunUntilIdle();
}

TEST(MessageLoopTest, OneRoundReturnsFromWorkThatNeverEnds) {
  MessageLoop* loop = MessageLoop::Current();
  EndlessChain chain(loop);
  chain.Start();
  const int before = chain.links();
  loop->RunOneRound();
  EXPECT_TRUE(chain.running());
  EXPECT_GT(chain.links(), before);
  chain.Stop();
  loop->RunUntilIdle();
}

// An event another thread may set, as a wait source; it records what the
// loop tells it.
class EventSource : public MessageLoop::WaitSource {
 public:
  EventSource() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~EventSource() override { CloseHandle(event_); }

  void OnLoopBlocks(bool blocks) override { told.push_back(blocks); }
  HANDLE WaitHandle() override { return event_; }
  bool SignaledNow() override { return signaled_now; }
  void OnSignaled() override {
    ++signaled;
    if (on_signaled)
      on_signaled();
  }
  HANDLE event() const { return event_; }

  std::vector<bool> told;
  bool signaled_now = false;
  int signaled = 0;
  std::function<void()> on_signaled;

 private:
  HANDLE event_;
};

TEST(MessageLoopWaitSourceTest, ASignalFromAnotherThreadWakesTheOwner) {
  MessageLoop* loop = MessageLoop::Current();
  loop->RunUntilIdle();
  EventSource source;
  bool task_ran = false;
  bool on_owner = false;
  source.on_signaled = [&] {
    on_owner = loop->BelongsToCurrentThread();
    loop->PostTask([&] { task_ran = true; });
  };
  loop->AddWaitSource(&source);
  // Only the source can end this wait: nothing rechecks on a timer. (Should
  // it fail, a late task ends the wait rather than hang the suite.)
  HANDLE over = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  bool gave_up = false;
  std::thread setter([&] {
    SetEvent(source.event());
    if (WaitForSingleObject(over, 30000) == WAIT_TIMEOUT)
      loop->PostTask([&] { gave_up = true; });
  });
  EXPECT_TRUE(loop->RunUntilDone([&] { return task_ran || gave_up; }));
  SetEvent(over);
  setter.join();
  CloseHandle(over);
  EXPECT_FALSE(gave_up);
  EXPECT_EQ(1, source.signaled);
  EXPECT_TRUE(on_owner);
  loop->RemoveWaitSource(&source);
}

TEST(MessageLoopWaitSourceTest, ASourceSignaledAlreadyRunsWithoutAWait) {
  // Its event is never set: only asking the source finds the signal.
  MessageLoop* loop = MessageLoop::Current();
  EventSource source;
  source.signaled_now = true;
  source.on_signaled = [&] { source.signaled_now = false; };
  loop->AddWaitSource(&source);
  EXPECT_TRUE(loop->RunUntil([&] { return source.signaled == 1; }, 30000));
  loop->RemoveWaitSource(&source);
}

TEST(MessageLoopWaitSourceTest, OnlyTheOutermostBlockingRunIsTold) {
  MessageLoop* loop = MessageLoop::Current();
  EventSource source, late;
  loop->AddWaitSource(&source);
  // Running without blocking is no reason to wait for the source.
  loop->PostTask([] {});
  loop->RunUntilIdle();
  loop->RunOneRound();
  EXPECT_TRUE(source.told.empty());
  loop->PostTask([&] {
    loop->RunUntil([] { return false; }, 1);
    // Added while the loop blocks: told at once.
    loop->AddWaitSource(&late);
    EXPECT_EQ((std::vector<bool>{true}), late.told);
    loop->Quit();
  });
  loop->Run();
  EXPECT_EQ((std::vector<bool>{true, false}), source.told);
  EXPECT_EQ((std::vector<bool>{true, false}), late.told);
  // A menu's modal loop inside a blocking run never waits for the sources.
  loop->PostTask([&] {
    loop->NativeLoopStarts();
    loop->RunUntil([] { return false; }, 1);
    loop->NativeLoopEnds();
    loop->Quit();
  });
  loop->Run();
  EXPECT_EQ((std::vector<bool>{true, false, true, false, true, false}),
            source.told);
  loop->RemoveWaitSource(&late);
  loop->RemoveWaitSource(&source);
}

TEST(MessageLoopWaitSourceTest, ASourceIsHeardThroughWorkThatNeverEnds) {
  MessageLoop* loop = MessageLoop::Current();
  EndlessChain chain(loop);
  chain.Start();
  EventSource source;
  loop->AddWaitSource(&source);
  SetEvent(source.event());
  EXPECT_TRUE(loop->RunUntil([&] { return source.signaled == 1; }, 30000));
  source.on_signaled = [loop] { loop->Quit(); };
  SetEvent(source.event());
  loop->Run();
  EXPECT_EQ(2, source.signaled);
  EXPECT_TRUE(chain.running());
  // One removed by another's signal is not called.
  EventSource first, second;
  first.on_signaled = [&] { loop->RemoveWaitSource(&second); };
  loop->AddWaitSource(&first);
  loop->AddWaitSource(&second);
  SetEvent(second.event());
  SetEvent(first.event());
  loop->RunUntil([&] { return first.signaled == 1; }, 30000);
  loop->RunUntil([] { return false; }, 20);
  EXPECT_EQ(0, second.signaled);
  loop->RemoveWaitSource(&first);
  loop->RemoveWaitSource(&source);
  chain.Stop();
  loop->RunUntilIdle();
}

TEST(MessageLoopWaitSourceTest, WhatASourceHoldsAlreadyIsHeardThroughWork) {
  // Its event is never set, and the work never lets the queue run dry.
  MessageLoop* loop = MessageLoop::Current();
  EndlessChain chain(loop);
  chain.Start();
  EventSource source;
  source.signaled_now = true;
  source.on_signaled = [&] { source.signaled_now = false; };
  loop->AddWaitSource(&source);
  EXPECT_TRUE(loop->RunUntil([&] { return source.signaled == 1; }, 30000));
  EXPECT_TRUE(chain.running());
  loop->RemoveWaitSource(&source);
  chain.Stop();
  loop->RunUntilIdle();
}

TEST(MessageLoopWaitSourceTest, ASourceIsHeardBetweenTimersDueTogether) {
  MessageLoop* loop = MessageLoop::Current();
  loop->RunUntilIdle();
  const int kTimers = 50;
  int timers_run = 0;
  for (int i = 0; i < kTimers; ++i)
    loop->PostDelayedTask([&] { ++timers_run; }, 1);
  // All of them are due by the time the loop looks.
  Sleep(20);
  EventSource source;
  int timers_before_source = -1;
  source.on_signaled = [&] { timers_before_source = timers_run; };
  loop->AddWaitSource(&source);
  SetEvent(source.event());
  EXPECT_TRUE(loop->RunUntil([&] { return timers_run == kTimers; }, 30000));
  EXPECT_EQ(1, source.signaled);
  EXPECT_LT(timers_before_source, kTimers);
  loop->RemoveWaitSource(&source);
}

// A loop that is not the framework's: it only dispatches window messages,
// as a menu's or a host's own does, until |done| or a message-less timeout.
bool RunForeignLoopUntil(const std::function<bool()>& done) {
  const ULONGLONG give_up_at = GetTickCount64() + 10000;
  while (!done() && GetTickCount64() < give_up_at) {
    MSG msg;
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT) ==
        WAIT_OBJECT_0) {
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    }
  }
  return done();
}

TEST(MessageLoopTest, TasksPostedWithoutAWakeStillRunInOtherLoops) {
  // The loop runs what its tasks and sources post before it waits, without
  // a wake message; a loop of someone else's must still get one. (The task
  // first takes the wake messages already queued, which would hide a
  // missing one.)
  MessageLoop* loop = MessageLoop::Current();
  bool in_menu = false;
  loop->PostTask([&] {
    loop->RunUntilIdle();
    loop->PostTask([&] { in_menu = true; });
    loop->NativeLoopStarts();
    EXPECT_TRUE(RunForeignLoopUntil([&] { return in_menu; }));
    loop->NativeLoopEnds();
  });
  EXPECT_TRUE(loop->RunUntil([&] { return in_menu; }, 30000));
  // A source's task is still queued when the loop returns to its caller's.
  loop->RunUntilIdle();
  EventSource source;
  bool signaled = false, after_return = false;
  source.on_signaled = [&] {
    signaled = true;
    loop->PostTask([&] { after_return = true; });
  };
  loop->AddWaitSource(&source);
  SetEvent(source.event());
  EXPECT_TRUE(loop->RunUntil([&] { return signaled; }, 10000));
  loop->RemoveWaitSource(&source);
  EXPECT_TRUE(RunForeignLoopUntil([&] { return after_return; }));
}

int g_received = 0;

LRESULT CALLBACK TestWndProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_USER + 7)
    g_received = static_cast<int>(w);
  return DefWindowProcW(hwnd, msg, w, l);
}

TEST(MessageLoopTest, RealWindowMessagesAreDispatched) {
  MessageLoop* loop = MessageLoop::Current();
  WNDCLASSW wc = {};
  wc.lpfnWndProc = &TestWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"MessageLoopTestWindow";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowW(L"MessageLoopTestWindow", L"", 0, 0, 0, 0, 0,
                            HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  ASSERT_TRUE(hwnd);
  PostMessageW(hwnd, WM_USER + 7, 42, 0);
  loop->RunUntil([] { return g_received == 42; }, 5000);
  EXPECT_EQ(42, g_received);
  DestroyWindow(hwnd);
}

TEST(MessageLoopTest, PostToEndedThreadIsRefused) {
  MessageLoop* ended = nullptr;
  std::thread([&] { ended = MessageLoop::Current(); }).join();
  ASSERT_TRUE(ended);
  int* leak_check = new int(0);
  std::shared_ptr<int> owned(leak_check);
  EXPECT_FALSE(ended->PostTask([owned] { ++*owned; }));
  // The refused task and its capture are gone.
  EXPECT_EQ(1, owned.use_count());
}

TEST(MessageLoopTest, ManyShortLivedThreadsEachGetAndEndALoop) {
  std::vector<MessageLoop*> loops;
  for (int i = 0; i < 30; ++i) {
    int ran = 0;
    std::thread([&] {
      MessageLoop* loop = MessageLoop::Current();
      loops.push_back(loop);
      loop->PostTask([&] { ++ran; });
      loop->RunUntilIdle();
    }).join();
    EXPECT_EQ(1, ran);
  }
  for (MessageLoop* loop : loops)
    EXPECT_FALSE(loop->PostTask([] {}));
}

class CountingTask : public CefTask {
 public:
  explicit CountingTask(int* count) : count_(count) {}
  void Execute() override { ++*count_; }

 private:
  int* count_;
  IMPLEMENT_REFCOUNTING(CountingTask);
};

TEST(CefTaskTest, UiAndRendererMeanTheMainLoop) {
  MessageLoop* previous = MessageLoop::Main();
  MessageLoop::SetMain(MessageLoop::Current());
  EXPECT_TRUE(CefCurrentlyOn(TID_UI));
  EXPECT_TRUE(CefCurrentlyOn(TID_RENDERER));
  EXPECT_FALSE(CefCurrentlyOn(TID_IO));
  int count = 0;
  EXPECT_TRUE(CefPostTask(TID_UI, new CountingTask(&count)));
  EXPECT_TRUE(CefPostDelayedTask(TID_RENDERER, new CountingTask(&count), 10));
  EXPECT_FALSE(CefPostTask(TID_FILE, new CountingTask(&count)));
  EXPECT_FALSE(CefPostTask(TID_UI, nullptr));
  MessageLoop::Current()->RunUntil([&] { return count == 2; }, 5000);
  EXPECT_EQ(2, count);
  bool on_ui_elsewhere = true;
  std::thread([&] { on_ui_elsewhere = CefCurrentlyOn(TID_UI); }).join();
  EXPECT_FALSE(on_ui_elsewhere);
  MessageLoop::SetMain(previous);
}

}  // namespace
}  // namespace cef_internal
