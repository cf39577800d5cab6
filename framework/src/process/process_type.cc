#include "src/process/process_type.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>

namespace cef_internal {

namespace {

const wchar_t kTypePrefix[] = L"--type=";

// Whether some argument of |command_line| may start with "--type=". An
// argument is the line's characters in order, less quotes and some
// backslashes; the prefix has neither, so it shows in the line once they are
// taken out. A line without it needs no splitting: loading shell32 for
// CommandLineToArgvW, and the libraries shell32 loads, would be most of the
// start of a program that only asks which process it is.
bool MayNameType(const wchar_t* command_line) {
  std::wstring letters(command_line ? command_line : L"");
  letters.erase(
      std::remove_if(letters.begin(), letters.end(),
                     [](wchar_t c) { return c == L'"' || c == L'\\'; }),
      letters.end());
  return letters.find(kTypePrefix) != std::wstring::npos;
}

}  // namespace

std::wstring CurrentProcessType() {
  const wchar_t* command_line = GetCommandLineW();
  if (!MayNameType(command_line))
    return std::wstring();
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(command_line, &argc);
  std::wstring type;
  const std::wstring prefix = kTypePrefix;
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
