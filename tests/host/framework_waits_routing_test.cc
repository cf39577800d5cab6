// On the real framework under Wine, kxhost and kxsubprocess keep the
// framework's waits with WaitRegistry. This program loads libcef.dll the same
// way they do, so it checks the routing on the library itself: a framework
// release that imported the two functions otherwise would leave it off.
#include "app/framework_waits.h"
#include "app/wait_registry.h"
#include "gtest/gtest.h"

namespace {

// Routing is done once per process, so one test walks the whole way: only
// KX_WINE_THREADPOOL_WAITS=1 (read from the process's environment at the
// call) keeps Wine's waits and leaves the routing to a later call; another
// value routes; a second routing is refused and changes nothing.
TEST(FrameworkWaitsRoutingTest, TheFrameworkLibraryRegistersItsWaitsWithUs) {
  HMODULE framework = GetModuleHandleW(L"libcef.dll");
  if (!framework)
    GTEST_SKIP() << "the stand-in framework has no library to route";
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!GetProcAddress(ntdll, "wine_get_version"))
    GTEST_SKIP() << "not under Wine: the system's waits are kept";
  void** register_slot =
      FindImportSlot(framework, "KERNEL32.dll", "RegisterWaitForSingleObject");
  void** unregister_slot =
      FindImportSlot(framework, "KERNEL32.dll", "UnregisterWaitEx");
  ASSERT_NE(nullptr, register_slot);
  ASSERT_NE(nullptr, unregister_slot);
  void* const before = *register_slot;

  ASSERT_TRUE(SetEnvironmentVariableA("KX_WINE_THREADPOOL_WAITS", "1"));
  EXPECT_FALSE(RouteFrameworkWaitsUnderWine());
  EXPECT_EQ(before, *register_slot);

  ASSERT_TRUE(SetEnvironmentVariableA("KX_WINE_THREADPOOL_WAITS", "10"));
  EXPECT_TRUE(RouteFrameworkWaitsUnderWine());
  SetEnvironmentVariableA("KX_WINE_THREADPOOL_WAITS", nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(&WaitRegistry::Register), *register_slot);
  EXPECT_EQ(reinterpret_cast<void*>(&WaitRegistry::Unregister),
            *unregister_slot);

  EXPECT_FALSE(RouteFrameworkWaitsUnderWine());
  EXPECT_EQ(reinterpret_cast<void*>(&WaitRegistry::Register), *register_slot);
}

}  // namespace
