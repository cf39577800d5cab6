// The sub-process executable as Windows sees it: its exit codes and its
// manifest resource.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

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

// The names of the libraries |module| (a data-file mapping) imports.
std::vector<std::string> ImportedLibraries(HMODULE module) {
  // A data-file mapping is tagged in its low bits.
  const BYTE* base = reinterpret_cast<const BYTE*>(
      reinterpret_cast<ULONG_PTR>(module) & ~static_cast<ULONG_PTR>(3));
  const IMAGE_NT_HEADERS32* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
  // The file's layout: an address inside the image is found by its section.
  auto at = [&](DWORD rva) -> const BYTE* {
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
      const IMAGE_SECTION_HEADER& section = sections[i];
      if (rva >= section.VirtualAddress &&
          rva < section.VirtualAddress + section.SizeOfRawData)
        return base + section.PointerToRawData + rva - section.VirtualAddress;
    }
    return nullptr;
  };
  std::vector<std::string> names;
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  const IMAGE_IMPORT_DESCRIPTOR* entry =
      reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
          at(directory.VirtualAddress));
  for (; entry && entry->Name; ++entry) {
    const char* name = reinterpret_cast<const char*>(at(entry->Name));
    names.push_back(name ? name : "?");
  }
  return names;
}

TEST(Executable, WithoutTypeSwitchExitsWithMinusOne) {
  EXPECT_EQ(RunAndWait(L""), static_cast<DWORD>(-1));
  EXPECT_EQ(RunAndWait(L"--some-switch=1 page.html"), static_cast<DWORD>(-1));
}

TEST(Executable, ProcessTypesNeverStartedHereEndAtOnce) {
  EXPECT_EQ(RunAndWait(L"--type=ppapi"), 1u);
  EXPECT_EQ(RunAndWait(L"--type=utility"), 1u);
}

// Without a browser process to outlive, a GPU process has no reason to run.
TEST(Executable, AGpuProcessWithoutItsBrowserProcessEndsAtOnce) {
  EXPECT_EQ(RunAndWait(L"--type=gpu-process"), 3u);
  EXPECT_EQ(RunAndWait(L"--type=gpu-process --kx-browser-pid=12x"), 3u);
  EXPECT_EQ(RunAndWait(L"--type=gpu-process --kx-browser-pid=0"), 3u);
}

// It lives as long as the process it names, and ends with 0 after it.
TEST(Executable, AGpuProcessEndsWithItsBrowserProcess) {
  auto start = [](DWORD browser_pid) {
    std::wstring command = L"\"" + ExecutablePath() +
                           L"\" --type=gpu-process --kx-browser-pid=" +
                           std::to_wstring(browser_pid);
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    EXPECT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &process));
    CloseHandle(process.hThread);
    return process;
  };
  // One that waits for this test run stands in for the browser process.
  PROCESS_INFORMATION browser = start(GetCurrentProcessId());
  PROCESS_INFORMATION gpu = start(browser.dwProcessId);
  ASSERT_TRUE(browser.hProcess && gpu.hProcess);
  EXPECT_EQ(WaitForSingleObject(gpu.hProcess, 300),
            static_cast<DWORD>(WAIT_TIMEOUT));
  TerminateProcess(browser.hProcess, 9);
  EXPECT_EQ(WaitForSingleObject(gpu.hProcess, 30000),
            static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD exit_code = 0xDEADBEEF;
  GetExitCodeProcess(gpu.hProcess, &exit_code);
  EXPECT_EQ(exit_code, 0u);
  TerminateProcess(gpu.hProcess, 9);
  CloseHandle(gpu.hProcess);
  CloseHandle(browser.hProcess);
}

TEST(Executable, ReadsATypeSwitchWrittenWithQuotes) {
  // The command line's rules make these "--type=gpu-process", which ends
  // at once without a browser process to name.
  EXPECT_EQ(RunAndWait(L"\"--type=gpu-process\""), 3u);
  EXPECT_EQ(RunAndWait(L"--ty\"pe=gpu\"-process"), 3u);
  EXPECT_EQ(RunAndWait(L"\"--type\"=\"utility\" page.html"), 1u);
  // Not a switch of its own: part of another argument.
  EXPECT_EQ(RunAndWait(L"\"page --type=gpu\""), static_cast<DWORD>(-1));
}

// Everything else (user32, shell32, the browser side's libraries) loads on
// first use: started without arguments it loads what an empty program does.
TEST(Executable, ImportsNothingButKernel32AndTheCRuntime) {
  HMODULE module = LoadLibraryExW(ExecutablePath().c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(module);
  std::vector<std::string> names = ImportedLibraries(module);
  FreeLibrary(module);
  for (std::string& name : names)
    CharLowerBuffA(&name[0], static_cast<DWORD>(name.size()));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"kernel32.dll", "msvcrt.dll"}))
      << "a function missing from app/lazy_imports/subprocess_imports.cc";
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

TEST(Executable, IsAGuiProgramLaidOutInPages) {
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
  // Sections on pages of the file are mapped at start, not read in whole.
  EXPECT_EQ(nt->OptionalHeader.FileAlignment,
            nt->OptionalHeader.SectionAlignment);
  FreeLibrary(module);
}

}  // namespace
