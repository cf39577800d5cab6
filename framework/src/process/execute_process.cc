// The secondary-process entry. The process type comes from the "--type"
// switch of the process's own command line.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "include/cef_app.h"

namespace {

// Exit code of a secondary process type this stand-in never starts (GPU,
// plug-in, utility, ...): such a process ends at once.
constexpr int kUnsupportedProcessTypeExitCode = 1;

std::wstring ProcessTypeSwitch() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring type;
  const std::wstring prefix = L"--type=";
  for (int i = 1; argv && i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg == L"--")
      break;
    if (arg.compare(0, prefix.size(), prefix) == 0) {
      type = arg.substr(prefix.size());
      break;
    }
  }
  LocalFree(argv);
  return type;
}

}  // namespace

int CefExecuteProcess(const CefMainArgs& args,
                      CefRefPtr<CefApp> application,
                      void* windows_sandbox_info) {
  std::wstring type = ProcessTypeSwitch();
  if (type.empty())
    return -1;  // The browser process: the caller goes on to CefInitialize.
  return kUnsupportedProcessTypeExitCode;
}
