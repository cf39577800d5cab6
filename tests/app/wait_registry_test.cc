// Wait registrations keep the promises the framework's object watchers rely
// on: once UnregisterWaitEx(INVALID_HANDLE_VALUE) returns, no callback runs
// or is still running, even when the object is signalled at that moment.
#include "app/wait_registry.h"

#include <atomic>
#include <thread>

#include "gtest/gtest.h"

namespace {

// Generous: only a deadlock or a lost callback comes near it.
constexpr DWORD kPatienceMs = 10000;

class Event {
 public:
  explicit Event(bool manual_reset = true)
      : handle_(CreateEventW(nullptr, manual_reset, FALSE, nullptr)) {}
  ~Event() { CloseHandle(handle_); }
  HANDLE get() const { return handle_; }
  void Set() const { SetEvent(handle_); }
  bool Wait() const {
    return WaitForSingleObject(handle_, kPatienceMs) == WAIT_OBJECT_0;
  }

 private:
  const HANDLE handle_;
};

// What a callback saw, for the test to check after unregistering.
struct Calls {
  std::atomic<int> count{0};
  std::atomic<int> timed_out{0};
  std::atomic<bool> running{false};
  std::atomic<bool> unregistered{false};
  std::atomic<int> after_unregister{0};
  DWORD sleep_ms = 0;
  Event started;
  HANDLE own_wait = nullptr;

  static VOID CALLBACK Record(PVOID context, BOOLEAN timed_out) {
    auto* calls = static_cast<Calls*>(context);
    calls->running = true;
    if (calls->unregistered)
      ++calls->after_unregister;
    ++calls->count;
    if (timed_out)
      ++calls->timed_out;
    calls->started.Set();
    if (calls->sleep_ms)
      Sleep(calls->sleep_ms);
    calls->running = false;
  }

  static VOID CALLBACK UnregisterSelf(PVOID context, BOOLEAN) {
    auto* calls = static_cast<Calls*>(context);
    WaitRegistry::Unregister(calls->own_wait, INVALID_HANDLE_VALUE);
    calls->started.Set();
  }
};

HANDLE RegisterOrFail(HANDLE object,
                      WAITORTIMERCALLBACK callback,
                      Calls* calls,
                      ULONG milliseconds,
                      ULONG flags) {
  HANDLE wait = nullptr;
  EXPECT_TRUE(WaitRegistry::Register(&wait, object, callback, calls,
                                     milliseconds, flags));
  return wait;
}

// The framework's object watchers register this way.
constexpr ULONG kWatcherFlags = WT_EXECUTEINWAITTHREAD | WT_EXECUTEONLYONCE;

TEST(WaitRegistryTest,
     NoCallbackRunsOnceUnregisteredWhileTheObjectIsSignalled) {
  // Wine's thread pool faults in this loop within a few thousand rounds.
  constexpr int kRounds = 3000;
  int called = 0;
  for (int round = 0; round < kRounds; ++round) {
    Calls calls;
    Event object;
    HANDLE wait = RegisterOrFail(object.get(), &Calls::Record, &calls, INFINITE,
                                 kWatcherFlags);
    ASSERT_NE(nullptr, wait);
    std::thread signaller;
    if (round % 2)
      object.Set();
    else
      signaller = std::thread([&object] { object.Set(); });
    ASSERT_TRUE(WaitRegistry::Unregister(wait, INVALID_HANDLE_VALUE));
    calls.unregistered = true;
    EXPECT_FALSE(calls.running) << "round " << round;
    if (signaller.joinable())
      signaller.join();
    EXPECT_EQ(0, calls.after_unregister) << "round " << round;
    called += calls.count;
  }
  // Both outcomes of the race occur: the loop has really raced.
  EXPECT_GT(called, 0);
  EXPECT_LT(called, kRounds);
}

TEST(WaitRegistryTest, CallsOnceOrEachTimeAsAsked) {
  Calls once;
  Event stays_signalled;
  stays_signalled.Set();
  HANDLE wait = RegisterOrFail(stays_signalled.get(), &Calls::Record, &once,
                               INFINITE, kWatcherFlags);
  ASSERT_TRUE(once.started.Wait());
  ASSERT_TRUE(WaitRegistry::Unregister(wait, INVALID_HANDLE_VALUE));
  EXPECT_EQ(1, once.count);
  EXPECT_EQ(0, once.timed_out);

  Calls each;
  Event auto_reset(false);
  wait = RegisterOrFail(auto_reset.get(), &Calls::Record, &each, INFINITE,
                        WT_EXECUTEDEFAULT);
  for (int signal = 1; signal <= 3; ++signal) {
    ResetEvent(each.started.get());
    auto_reset.Set();
    ASSERT_TRUE(each.started.Wait());
    // The next signal only once this call is over, so none merges into it.
    while (each.running || each.count < signal)
      Sleep(1);
  }
  ASSERT_TRUE(WaitRegistry::Unregister(wait, INVALID_HANDLE_VALUE));
  EXPECT_EQ(3, each.count);
}

TEST(WaitRegistryTest, ATimeOutCallsWithTimedOutSet) {
  Calls calls;
  Event never;
  HANDLE wait =
      RegisterOrFail(never.get(), &Calls::Record, &calls, 1, kWatcherFlags);
  ASSERT_TRUE(calls.started.Wait());
  ASSERT_TRUE(WaitRegistry::Unregister(wait, INVALID_HANDLE_VALUE));
  EXPECT_EQ(1, calls.count);
  EXPECT_EQ(1, calls.timed_out);
}

TEST(WaitRegistryTest, UnregisteringWaitsForARunningCallbackOrSignalsLater) {
  Calls waited;
  waited.sleep_ms = 100;
  Event object;
  object.Set();
  HANDLE wait = RegisterOrFail(object.get(), &Calls::Record, &waited, INFINITE,
                               kWatcherFlags);
  ASSERT_TRUE(waited.started.Wait());
  ASSERT_TRUE(WaitRegistry::Unregister(wait, INVALID_HANDLE_VALUE));
  EXPECT_FALSE(waited.running);

  Calls signalled;
  signalled.sleep_ms = 100;
  wait = RegisterOrFail(object.get(), &Calls::Record, &signalled, INFINITE,
                        kWatcherFlags);
  ASSERT_TRUE(signalled.started.Wait());
  Event done;
  ASSERT_TRUE(WaitRegistry::Unregister(wait, done.get()));
  ASSERT_TRUE(done.Wait());
  EXPECT_FALSE(signalled.running);

  // Unregistered before anything happened, without waiting: nothing runs,
  // and the event still says so.
  Calls idle;
  Event never;
  Event idle_done;
  wait = RegisterOrFail(never.get(), &Calls::Record, &idle, INFINITE,
                        kWatcherFlags);
  ASSERT_TRUE(WaitRegistry::Unregister(wait, idle_done.get()));
  ASSERT_TRUE(idle_done.Wait());
  never.Set();
  EXPECT_EQ(0, idle.count);
}

TEST(WaitRegistryTest, ACallbackMayUnregisterItsOwnWait) {
  Calls calls;
  Event object;
  calls.own_wait = RegisterOrFail(object.get(), &Calls::UnregisterSelf, &calls,
                                  INFINITE, WT_EXECUTEDEFAULT);
  object.Set();
  EXPECT_TRUE(calls.started.Wait()) << "the callback waited for itself";
}

TEST(WaitRegistryTest, RefusesWhatItCannotKeep) {
  Event object;
  HANDLE wait = nullptr;
  EXPECT_FALSE(WaitRegistry::Register(&wait, object.get(), nullptr, nullptr,
                                      INFINITE, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_FALSE(WaitRegistry::Register(nullptr, object.get(), &Calls::Record,
                                      nullptr, INFINITE, 0));
  EXPECT_FALSE(WaitRegistry::Unregister(nullptr, INVALID_HANDLE_VALUE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

struct Counter {
  std::atomic<int> calls{0};
  static VOID CALLBACK Count(PVOID context, BOOLEAN) {
    ++static_cast<Counter*>(context)->calls;
  }
};

// One object that stays signalled, called back each time, must not keep
// the other waits of its thread from being heard.
TEST(WaitRegistryTest, AnObjectThatStaysSignalledStarvesNoOther) {
  Counter busy, quiet;
  Event stays_set;
  stays_set.Set();
  Event other(false);
  HANDLE busy_wait = nullptr, quiet_wait = nullptr;
  ASSERT_TRUE(WaitRegistry::Register(&busy_wait, stays_set.get(),
                                     &Counter::Count, &busy, INFINITE,
                                     WT_EXECUTEDEFAULT));
  ASSERT_TRUE(WaitRegistry::Register(&quiet_wait, other.get(), &Counter::Count,
                                     &quiet, INFINITE, WT_EXECUTEDEFAULT));
  while (busy.calls < 10)
    Sleep(1);
  other.Set();
  for (int n = 0; n < 1000 && quiet.calls == 0; ++n)
    Sleep(10);
  EXPECT_EQ(1, quiet.calls);
  ASSERT_TRUE(WaitRegistry::Unregister(busy_wait, INVALID_HANDLE_VALUE));
  ASSERT_TRUE(WaitRegistry::Unregister(quiet_wait, INVALID_HANDLE_VALUE));
}

// A handle unregistered already, or never handed out, names nothing.
TEST(WaitRegistryTest, UnregisteringTwiceOrAStrangerIsRefused) {
  Calls calls;
  Event object;
  HANDLE wait = RegisterOrFail(object.get(), &Calls::Record, &calls, INFINITE,
                               kWatcherFlags);
  ASSERT_TRUE(WaitRegistry::Unregister(wait, INVALID_HANDLE_VALUE));
  SetLastError(0);
  EXPECT_FALSE(WaitRegistry::Unregister(wait, INVALID_HANDLE_VALUE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_FALSE(WaitRegistry::Unregister(object.get(), nullptr));
  object.Set();
  Sleep(20);
  EXPECT_EQ(0, calls.count);
}

// The caller may close its handle as soon as it has unregistered, without
// waiting; an object that cannot be waited for never calls back and stops
// no other wait.
TEST(WaitRegistryTest, HandlesClosedOrUselessHarmNoOtherWait) {
  Counter closed_early;
  HANDLE object = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE wait = nullptr;
  ASSERT_TRUE(WaitRegistry::Register(&wait, object, &Counter::Count,
                                     &closed_early, INFINITE, kWatcherFlags));
  ASSERT_TRUE(WaitRegistry::Unregister(wait, nullptr));
  CloseHandle(object);

  Counter useless;
  HANDLE useless_wait = nullptr;
  ASSERT_TRUE(WaitRegistry::Register(
      &useless_wait, reinterpret_cast<HANDLE>(0x7ff0), &Counter::Count,
      &useless, INFINITE, kWatcherFlags));
  // Likely the closed handle's number again: its signal is this wait's.
  Counter fresh;
  Event next(false);
  HANDLE fresh_wait = nullptr;
  ASSERT_TRUE(WaitRegistry::Register(&fresh_wait, next.get(), &Counter::Count,
                                     &fresh, INFINITE, kWatcherFlags));
  next.Set();
  for (int n = 0; n < 1000 && fresh.calls == 0; ++n)
    Sleep(10);
  EXPECT_EQ(1, fresh.calls);
  EXPECT_EQ(0, closed_early.calls);
  EXPECT_EQ(0, useless.calls);
  ASSERT_TRUE(WaitRegistry::Unregister(fresh_wait, INVALID_HANDLE_VALUE));
  ASSERT_TRUE(WaitRegistry::Unregister(useless_wait, INVALID_HANDLE_VALUE));
}

// A thread that holds the loader lock (a library's DllMain, a thread
// ending) may unregister: nothing it waits for needs that lock.
TEST(WaitRegistryTest, UnregisteringUnderTheLoaderLockReturns) {
  using LockLoaderLock = LONG(NTAPI*)(ULONG, PULONG, PULONG_PTR);
  using UnlockLoaderLock = LONG(NTAPI*)(ULONG, ULONG_PTR);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto lock = reinterpret_cast<LockLoaderLock>(
      GetProcAddress(ntdll, "LdrLockLoaderLock"));
  auto unlock = reinterpret_cast<UnlockLoaderLock>(
      GetProcAddress(ntdll, "LdrUnlockLoaderLock"));
  ASSERT_TRUE(lock && unlock);
  Calls calls;
  Event never;
  HANDLE wait =
      RegisterOrFail(never.get(), &Calls::Record, &calls, INFINITE, 0);
  Event done;
  BOOL unregistered = FALSE;
  // On a thread of its own: a test that deadlocked would hang the run.
  std::thread([&] {
    ULONG_PTR cookie = 0;
    lock(0, nullptr, &cookie);
    unregistered = WaitRegistry::Unregister(wait, INVALID_HANDLE_VALUE);
    unlock(0, cookie);
    done.Set();
  }).detach();
  ASSERT_TRUE(done.Wait()) << "Unregister deadlocked under the loader lock";
  EXPECT_TRUE(unregistered);
}

}  // namespace
