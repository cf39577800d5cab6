#include "src/process/gpu_process_main.h"

#include <windows.h>

#include <cwchar>
#include <string>

#include "include/cef_command_line.h"
#include "src/browser/child_process_switches.h"

namespace cef_internal {

// static
int GpuProcessMain::Run() {
  const std::wstring value = CefCommandLine::GetGlobalCommandLine()
                                 ->GetSwitchValue(kBrowserPidSwitch)
                                 .ToWString();
  wchar_t* end = nullptr;
  const unsigned long pid = std::wcstoul(value.c_str(), &end, 10);
  if (value.empty() || *end != L'\0' || pid == 0)
    return kNoChannelExitCode;
  HANDLE browser = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (!browser)
    return kNoChannelExitCode;
  WaitForSingleObject(browser, INFINITE);
  CloseHandle(browser);
  return 0;
}

}  // namespace cef_internal
