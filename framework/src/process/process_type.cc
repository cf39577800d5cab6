#include "src/process/process_type.h"

#include <windows.h>

#include <shellapi.h>

namespace cef_internal {

std::wstring CurrentProcessType() {
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

}  // namespace cef_internal
