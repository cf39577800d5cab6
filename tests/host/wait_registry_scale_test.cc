// The framework's waits under Wine go to WaitRegistry (app/wait_registry.h):
// however many are live, a few wait threads keep them. Here, in both builds,
// so that the figures it prints come from the real framework's 64-bit build
// too.
#include <windows.h>

#include <tlhelp32.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/wait_registry.h"
#include "gtest/gtest.h"

namespace {

// Threads of this process now.
size_t ThreadCount() {
  size_t count = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry = {sizeof(entry)};
  for (BOOL more = Thread32First(snapshot, &entry); more;
       more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId())
      ++count;
  }
  CloseHandle(snapshot);
  return count;
}

struct Counter {
  std::atomic<int> calls{0};
  static VOID CALLBACK Count(PVOID context, BOOLEAN) {
    ++static_cast<Counter*>(context)->calls;
  }
};

struct Event {
  Event() : handle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Event() { CloseHandle(handle); }
  const HANDLE handle;
};

// A thousand live waits take a few wait threads, not a thousand, and each
// still hears its own object once. Prints what registering them cost.
TEST(WaitRegistryScaleTest, AThousandWaitsShareAFewThreads) {
  constexpr int kWaits = 1000;
  const size_t threads_before = ThreadCount();
  std::vector<std::unique_ptr<Event>> objects;
  std::vector<Counter> counters(kWaits);
  std::vector<HANDLE> waits(kWaits);
  for (int i = 0; i < kWaits; ++i)
    objects.emplace_back(new Event());
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kWaits; ++i) {
    ASSERT_TRUE(WaitRegistry::Register(
        &waits[i], objects[i]->handle, &Counter::Count, &counters[i], INFINITE,
        WT_EXECUTEINWAITTHREAD | WT_EXECUTEONLYONCE));
  }
  const double ms = std::chrono::duration<double, std::milli>(
                        std::chrono::steady_clock::now() - start)
                        .count();
  const size_t added = ThreadCount() - threads_before;
  std::printf("%d live waits: %.1f ms to register them, %zu threads more\n",
              kWaits, ms, added);
  const size_t needed = (kWaits + WaitRegistry::kWaitsPerThread - 1) /
                        WaitRegistry::kWaitsPerThread;
  EXPECT_LE(added, needed);
  for (int i = 0; i < kWaits; ++i)
    SetEvent(objects[i]->handle);
  for (int i = 0; i < kWaits; ++i) {
    for (int n = 0; n < 1000 && counters[i].calls == 0; ++n)
      Sleep(10);
    EXPECT_EQ(1, counters[i].calls) << "wait " << i;
  }
  const auto unregister_start = std::chrono::steady_clock::now();
  for (HANDLE wait : waits)
    ASSERT_TRUE(WaitRegistry::Unregister(wait, INVALID_HANDLE_VALUE));
  std::printf("%.1f ms to unregister them\n",
              std::chrono::duration<double, std::milli>(
                  std::chrono::steady_clock::now() - unregister_start)
                  .count());
}

}  // namespace
