// Import slots are found by library and name and rewritten in place; calls
// through them then reach the new target.
#include "app/framework_waits.h"

#include "gtest/gtest.h"

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

}  // namespace
