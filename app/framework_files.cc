#include "app/framework_files.h"

#include <windows.h>

namespace {

const wchar_t* const kRequiredFiles[] = {L"icudtl.dat", L"natives_blob.bin"};

// The folder of |module|, ending in a separator.
std::wstring FolderOf(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size =
        GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
    if (size < path.size()) {
      path.resize(size);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

bool IsFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring FindMissingFrameworkFile() {
  // A host links the library, so it is loaded by now; a framework built
  // into the program has no such files.
  HMODULE library = GetModuleHandleW(L"libcef.dll");
  return library ? FindMissingFrameworkFileIn(FolderOf(library))
                 : std::wstring();
}

std::wstring FindMissingFrameworkFileIn(const std::wstring& library_dir) {
  for (const wchar_t* name : kRequiredFiles) {
    const std::wstring path = library_dir + name;
    if (!IsFile(path))
      return path;
  }
  return std::wstring();
}
