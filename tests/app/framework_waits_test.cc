// Import slots are found by library and name and rewritten in place; calls
// through them then reach the new target.
#include "app/framework_waits.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/wait_registry.h"
#include "gtest/gtest.h"
#include "include/internal/cef_string.h"

namespace {

int g_fake_calls = 0;

BOOL WINAPI FakeUnregisterWaitEx(HANDLE, HANDLE) {
  ++g_fake_calls;
  return TRUE;
}

// A call of its own, so the compiler cannot reuse a slot value it loaded
// before the slot was rewritten.
__attribute__((noipa)) BOOL CallUnregisterWaitEx() {
  return UnregisterWaitEx(nullptr, nullptr);
}

HMODULE ThisProgram() {
  return GetModuleHandleW(nullptr);
}

TEST(FrameworkWaitsTest, FindsTheSlotOfAnImportByLibraryAndName) {
  // Taking its address makes this program import it.
  void* system_function = reinterpret_cast<void*>(&UnregisterWaitEx);
  void** slot =
      FindImportSlot(ThisProgram(), "kernel32.DLL", "UnregisterWaitEx");
  ASSERT_NE(nullptr, slot);
  EXPECT_EQ(system_function, *slot);

  EXPECT_EQ(nullptr,
            FindImportSlot(ThisProgram(), "KERNEL32.dll", "UnregisterWaitExt"));
  EXPECT_EQ(nullptr,
            FindImportSlot(ThisProgram(), "no-such.dll", "UnregisterWaitEx"));
  EXPECT_EQ(nullptr, FindImportSlot(nullptr, "KERNEL32.dll", "GetTickCount"));
}

TEST(FrameworkWaitsTest, CallsThroughAReplacedSlotReachTheNewTarget) {
  void** slot =
      FindImportSlot(ThisProgram(), "KERNEL32.dll", "UnregisterWaitEx");
  ASSERT_NE(nullptr, slot);
  void* system_function = *slot;
  g_fake_calls = 0;
  EXPECT_EQ(
      system_function,
      ReplaceImportSlot(slot, reinterpret_cast<void*>(&FakeUnregisterWaitEx)));
  EXPECT_TRUE(CallUnregisterWaitEx());
  EXPECT_EQ(1, g_fake_calls);
  EXPECT_EQ(reinterpret_cast<void*>(&FakeUnregisterWaitEx),
            ReplaceImportSlot(slot, system_function));
  // The system's own again: a null wait is refused.
  EXPECT_FALSE(CallUnregisterWaitEx());
  EXPECT_EQ(1, g_fake_calls);
}

TEST(FrameworkWaitsTest, LeavesAProcessWithoutTheFrameworkLibraryAlone) {
  ASSERT_EQ(nullptr, GetModuleHandleW(L"libcef.dll"));
  EXPECT_FALSE(RouteFrameworkWaitsUnderWine());
}

VOID CALLBACK Ignore(PVOID, BOOLEAN) {}

// A copy of kxwaits.dll of its own for each test, beside the program (the
// next run writes over it): a library is loaded once per process, and
// routing it cannot be undone.
class RouteModuleWaitsTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    dir = dir.substr(0, dir.find_last_of(L"\\/") + 1);
    copy_ =
        dir + L"kxwaits-" +
        CefString(testing::UnitTest::GetInstance()->current_test_info()->name())
            .ToWString() +
        L".dll";
    ASSERT_TRUE(
        CopyFileW((dir + L"kxwaits.dll").c_str(), copy_.c_str(), FALSE));
    module_ = LoadLibraryW(copy_.c_str());
    ASSERT_NE(nullptr, module_);
    register_slot_ =
        FindImportSlot(module_, "KERNEL32.dll", "RegisterWaitForSingleObject");
    unregister_slot_ =
        FindImportSlot(module_, "KERNEL32.dll", "UnregisterWaitEx");
    ASSERT_TRUE(register_slot_ && unregister_slot_);
  }

  bool Routed() const {
    return *register_slot_ ==
               reinterpret_cast<void*>(&WaitRegistry::Register) &&
           *unregister_slot_ ==
               reinterpret_cast<void*>(&WaitRegistry::Unregister);
  }

  std::wstring copy_;
  HMODULE module_ = nullptr;
  void** register_slot_ = nullptr;
  void** unregister_slot_ = nullptr;
};

TEST_F(RouteModuleWaitsTest, ALibraryNoThreadOfWhichRanIsRoutedOnce) {
  ASSERT_TRUE(RouteModuleWaits(module_));
  EXPECT_TRUE(Routed());
  // Its calls now reach the registry.
  using Register = BOOL (*)(PHANDLE, HANDLE, WAITORTIMERCALLBACK, PVOID);
  using Unregister = BOOL (*)(HANDLE);
  auto register_wait =
      reinterpret_cast<Register>(GetProcAddress(module_, "KxWaitsRegister"));
  auto unregister_wait = reinterpret_cast<Unregister>(
      GetProcAddress(module_, "KxWaitsUnregister"));
  const unsigned long long before = WaitRegistry::GetStats().registrations;
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE wait = nullptr;
  ASSERT_TRUE(register_wait(&wait, event, &Ignore, nullptr));
  EXPECT_EQ(before + 1, WaitRegistry::GetStats().registrations);
  EXPECT_TRUE(unregister_wait(wait));
  CloseHandle(event);
  // Once only.
  EXPECT_FALSE(RouteModuleWaits(module_));
  EXPECT_TRUE(Routed());
}

// Once a thread of the library runs, waits it registered with the system
// could come to the registry to be unregistered: too late.
TEST_F(RouteModuleWaitsTest, ALibraryWithAThreadRunningIsLeftAlone) {
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  auto thread_main = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      GetProcAddress(module_, "KxWaitsThread"));
  ASSERT_NE(nullptr, thread_main);
  HANDLE thread = CreateThread(nullptr, 0, thread_main, stop, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  void* system_register = *register_slot_;
  EXPECT_FALSE(RouteModuleWaits(module_));
  EXPECT_EQ(system_register, *register_slot_);
  EXPECT_FALSE(Routed());
  SetEvent(stop);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  CloseHandle(stop);
}

// Callers at the same time: one routes, the others are refused, and the
// slots end up whole.
TEST_F(RouteModuleWaitsTest, CallsAtTheSameTimeRouteOnce) {
  constexpr int kCallers = 8;
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<int> routed{0};
  std::vector<std::thread> callers;
  for (int i = 0; i < kCallers; ++i) {
    callers.emplace_back([&] {
      WaitForSingleObject(go, INFINITE);
      if (RouteModuleWaits(module_))
        ++routed;
    });
  }
  SetEvent(go);
  for (std::thread& caller : callers)
    caller.join();
  CloseHandle(go);
  EXPECT_EQ(1, routed);
  EXPECT_TRUE(Routed());
}

}  // namespace
