// Functions bound on first call: the library stays unloaded until then, and
// the call reaches the real function with its arguments and result intact.
// dbghelp is a library nothing else in this program loads.
#include <windows.h>

#include <dbghelp.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/lazy_imports/lazy_import.h"
#include "gtest/gtest.h"

KX_LAZY_IMPORT("dbghelp.dll", SymSetOptions, 4);
KX_LAZY_IMPORT("dbghelp.dll", SymGetOptions, 0);
KX_LAZY_IMPORT("dbghelp.dll", UnDecorateSymbolName, 16);

extern "C" void* g_sym_get_options_slot __asm__("__imp__SymGetOptions@0");
extern "C" void* g_undecorate_slot __asm__("__imp__UnDecorateSymbolName@16");

namespace {

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length);
}

std::wstring ModuleFolder(HMODULE module) {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  std::wstring full(path, length);
  return full.substr(0, full.find_last_of(L"\\/"));
}

// The first call's part, in a process where nothing has called into dbghelp
// yet. Ends the process with 0, or with the number of the first step that
// went wrong, named on standard error.
[[noreturn]] void CheckFirstCallAndExit() {
  int step = 0;
  auto expect = [&step](bool holds, const char* what) {
    ++step;
    if (holds)
      return;
    fprintf(stderr, "step %d: %s\n", step, what);
    fflush(stderr);
    _exit(step);
  };
  expect(GetModuleHandleW(L"dbghelp.dll") == nullptr, "loaded before");

  // Binding, loading the library included, leaves the thread's last error
  // as the caller set it: some callers read it after a call that only sets
  // it on failure.
  const DWORD options = SYMOPT_UNDNAME | SYMOPT_LOAD_LINES;
  SetLastError(0x1234);
  expect(SymSetOptions(options) == options, "SymSetOptions's result");
  expect(GetLastError() == 0x1234u, "last error after the binding call");
  HMODULE dbghelp = GetModuleHandleW(L"dbghelp.dll");
  expect(dbghelp != nullptr, "not loaded by the first call");
  expect(_wcsicmp(ModuleFolder(dbghelp).c_str(), SystemFolder().c_str()) == 0,
         "loaded from outside the system folder");

  // A second function of the same library: bound on its own first call.
  const void* function =
      reinterpret_cast<const void*>(GetProcAddress(dbghelp, "SymGetOptions"));
  expect(g_sym_get_options_slot != function, "bound before its first call");
  SetLastError(0x5678);
  expect(SymGetOptions() == options, "SymGetOptions's result");
  expect(GetLastError() == 0x5678u, "last error after the second binding");
  expect(g_sym_get_options_slot == function, "slot not bound");
  _exit(0);
}

// In a process of its own (as a death test is run): whatever ran before in
// this one may have loaded dbghelp already.
TEST(LazyImportDeathTest, LoadsTheSystemLibraryOnFirstCallAndBindsTheSlot) {
  EXPECT_EXIT(CheckFirstCallAndExit(), ::testing::ExitedWithCode(0), "");
}

// kxlazy_a.dll in the system folder depends on kxlazy_b.dll, which only
// this program's folder holds: what a planted file would be. Binding a
// function of kxlazy_a ends this process with 0 when it bound, 3 when the
// binder refused (the exception a failed delayed import raises).
LONG WINAPI ExitOnException(EXCEPTION_POINTERS* pointers) {
  _exit(pointers->ExceptionRecord->ExceptionCode == 0xC06D007E ? 3 : 4);
}

[[noreturn]] void BindAFunctionOfA() {
  SetUnhandledExceptionFilter(&ExitOnException);
  void* slot = nullptr;
  const LazyImport import = {&slot, "kxlazy_a.dll", "KxLazyA"};
  auto function = reinterpret_cast<int (*)()>(kx_BindLazyImport(&import));
  _exit(function() == 8 ? 0 : 5);
}

// Copies |name| from this program's folder into the system folder for the
// scope's length. (A death test's child runs the test again up to its
// statement, copying over the parent's copy, and never gets to remove it.)
class InSystemFolder {
 public:
  explicit InSystemFolder(const std::wstring& name)
      : path_(SystemFolder() + L"\\" + name) {
    copied_ = CopyFileW((ModuleFolder(nullptr) + L"\\" + name).c_str(),
                        path_.c_str(), FALSE) != FALSE;
  }
  ~InSystemFolder() {
    if (copied_)
      DeleteFileW(path_.c_str());
  }
  bool copied() const { return copied_; }

 private:
  const std::wstring path_;
  bool copied_ = false;
};

TEST(LazyImportDeathTest, ALibraryDependsOnTheSystemFolderAlone) {
  InSystemFolder a(L"kxlazy_a.dll");
  ASSERT_TRUE(a.copied());
  // Its dependency beside the program is never loaded.
  EXPECT_EXIT(BindAFunctionOfA(), ::testing::ExitedWithCode(3), "");
  // In the system folder it is.
  InSystemFolder b(L"kxlazy_b.dll");
  ASSERT_TRUE(b.copied());
  EXPECT_EXIT(BindAFunctionOfA(), ::testing::ExitedWithCode(0), "");
}

TEST(LazyImport, PassesEveryArgumentAndTheResult) {
  // Twice: through the binding stub, then through the bound slot.
  for (int call = 0; call < 2; ++call) {
    char name[128] = {};
    DWORD length = UnDecorateSymbolName("?Twice@@YGHH@Z", name, sizeof(name),
                                        UNDNAME_NAME_ONLY);
    EXPECT_EQ(std::string(name), "Twice") << call;
    EXPECT_EQ(length, 5u) << call;
    // The caller's stack is as it was: the callee removed its arguments.
    volatile int canary = 0x5eed;
    EXPECT_EQ(canary, 0x5eed);
  }
  EXPECT_EQ(g_undecorate_slot,
            reinterpret_cast<void*>(GetProcAddress(
                GetModuleHandleW(L"dbghelp.dll"), "UnDecorateSymbolName")));
}

}  // namespace
