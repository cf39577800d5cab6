// On the real framework under Wine, kxhost and kxsubprocess keep the
// framework's waits with WaitRegistry. This program loads libcef.dll the same
// way they do, so it checks the routing on the library itself: a framework
// release that imported the two functions otherwise would leave it off.
#include "app/framework_waits.h"
#include "app/wait_registry.h"
#include "gtest/gtest.h"

namespace {

TEST(FrameworkWaitsRoutingTest, TheFrameworkLibraryRegistersItsWaitsWithUs) {
  HMODULE framework = GetModuleHandleW(L"libcef.dll");
  if (!framework)
    GTEST_SKIP() << "the stand-in framework has no library to route";
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!GetProcAddress(ntdll, "wine_get_version"))
    GTEST_SKIP() << "not under Wine: the system's waits are kept";

  ASSERT_TRUE(RouteFrameworkWaitsUnderWine());
  EXPECT_EQ(reinterpret_cast<void*>(&WaitRegistry::Register),
            *FindImportSlot(framework, "KERNEL32.dll",
                            "RegisterWaitForSingleObject"));
  EXPECT_EQ(reinterpret_cast<void*>(&WaitRegistry::Unregister),
            *FindImportSlot(framework, "KERNEL32.dll", "UnregisterWaitEx"));
}

// Only KX_WINE_THREADPOOL_WAITS=1 keeps Wine's own waits, as read from the
// process's environment at the call.
TEST(FrameworkWaitsRoutingTest, OnlyTheVariableSetToOneKeepsWinesWaits) {
  HMODULE framework = GetModuleHandleW(L"libcef.dll");
  if (!framework)
    GTEST_SKIP() << "the stand-in framework has no library to route";
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!GetProcAddress(ntdll, "wine_get_version"))
    GTEST_SKIP() << "not under Wine: the system's waits are kept";
  void** slot =
      FindImportSlot(framework, "KERNEL32.dll", "RegisterWaitForSingleObject");
  ASSERT_NE(nullptr, slot);
  void* const before = *slot;

  ASSERT_TRUE(SetEnvironmentVariableA("KX_WINE_THREADPOOL_WAITS", "1"));
  EXPECT_FALSE(RouteFrameworkWaitsUnderWine());
  EXPECT_EQ(before, *slot);
  for (const char* other : {"10", "0", ""}) {
    ASSERT_TRUE(SetEnvironmentVariableA("KX_WINE_THREADPOOL_WAITS", other));
    EXPECT_TRUE(RouteFrameworkWaitsUnderWine()) << "set to \"" << other << "\"";
  }
  SetEnvironmentVariableA("KX_WINE_THREADPOOL_WAITS", nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(&WaitRegistry::Register), *slot);
}

}  // namespace
