// The sub-process executable as Windows sees it: its exit codes and its
// manifest resource.
#include <windows.h>

#include <string>

#include "gtest/gtest.h"

namespace {

std::wstring ExecutablePath() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  return dir.substr(0, dir.find_last_of(L"\\/") + 1) + L"kxsubprocess.exe";
}

DWORD RunAndWait(const std::wstring& arguments) {
  std::wstring command = L"\"" + ExecutablePath() + L"\" " + arguments;
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    ADD_FAILURE() << "cannot start " << GetLastError();
    return 0xDEADBEEF;
  }
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  DWORD exit_code = 0;
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exit_code;
}

std::string ManifestText() {
  HMODULE module = LoadLibraryExW(ExecutablePath().c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
  if (!module)
    return std::string();
  std::string text;
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
  if (resource) {
    HGLOBAL data = LoadResource(module, resource);
    text.assign(static_cast<const char*>(LockResource(data)),
                SizeofResource(module, resource));
  }
  FreeLibrary(module);
  return text;
}

TEST(Executable, WithoutTypeSwitchExitsWithMinusOne) {
  EXPECT_EQ(RunAndWait(L""), static_cast<DWORD>(-1));
  EXPECT_EQ(RunAndWait(L"--some-switch=1 page.html"), static_cast<DWORD>(-1));
}

TEST(Executable, ProcessTypesNeverStartedHereEndAtOnce) {
  EXPECT_EQ(RunAndWait(L"--type=gpu-process"), 1u);
  EXPECT_EQ(RunAndWait(L"--type=utility"), 1u);
}

TEST(Executable, ManifestAsksForInvokerLevelAndCommonControls6) {
  const std::string manifest = ManifestText();
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\""),
            std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find("processorArchitecture=\"x86\""), std::string::npos);
}

TEST(Executable, IsAGuiProgram) {
  HMODULE module = LoadLibraryExW(ExecutablePath().c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(module);
  // A data-file mapping is tagged in its low bits.
  const BYTE* base = reinterpret_cast<const BYTE*>(
      reinterpret_cast<ULONG_PTR>(module) & ~static_cast<ULONG_PTR>(3));
  const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const IMAGE_NT_HEADERS32* nt =
      reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
  EXPECT_EQ(nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
  FreeLibrary(module);
}

}  // namespace
