#include "app/lazy_imports/lazy_import.h"

#include <windows.h>

#include <string>

namespace {

// The codes a failed delayed import raises: VcppException(ERROR_SEVERITY_ERROR,
// ERROR_MOD_NOT_FOUND / ERROR_PROC_NOT_FOUND).
constexpr DWORD kModuleNotFound = 0xC06D007E;
constexpr DWORD kFunctionNotFound = 0xC06D007F;

// Only the system folder's copy: a file of the same name beside the program
// or in the current folder is never loaded, and neither is one the module
// depends on (the loader looks for those in the system folder alone).
HMODULE LoadSystemModule(const char* module) {
  wchar_t folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (!length || length >= MAX_PATH)
    return nullptr;
  std::wstring path(folder, length);
  path += L'\\';
  // Module names are ASCII.
  for (const char* c = module; *c; ++c)
    path += static_cast<wchar_t>(*c);
  HMODULE loaded =
      LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // A system without the search flags (Windows 7 before KB2533623) refuses
  // them; there the full path is all that can be done.
  if (!loaded && GetLastError() == ERROR_INVALID_PARAMETER)
    loaded = LoadLibraryW(path.c_str());
  return loaded;
}

[[noreturn]] void Fail(DWORD code, const LazyImport* import) {
  ULONG_PTR details[] = {reinterpret_cast<ULONG_PTR>(import->module),
                         reinterpret_cast<ULONG_PTR>(import->name)};
  for (;;)
    RaiseException(code, EXCEPTION_NONCONTINUABLE, 2, details);
}

}  // namespace

extern "C" void* __cdecl kx_BindLazyImport(const LazyImport* import) {
  // The caller's last error reaches the function as it was set: some callers
  // read it after a call that sets it only on failure.
  const DWORD last_error = GetLastError();
  HMODULE module = LoadSystemModule(import->module);
  if (!module)
    Fail(kModuleNotFound, import);
  void* function =
      reinterpret_cast<void*>(GetProcAddress(module, import->name));
  if (!function)
    Fail(kFunctionNotFound, import);
  InterlockedExchangePointer(import->slot, function);
  SetLastError(last_error);
  return function;
}
