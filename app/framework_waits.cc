#include "app/framework_waits.h"

#include <tlhelp32.h>

#include <cstdio>

#include <cstring>
#include <mutex>
#include <set>

#include "app/wait_registry.h"
#include "common/under_wine.h"

namespace {

constexpr wchar_t kFrameworkLibrary[] = L"libcef.dll";
constexpr char kSystemLibrary[] = "KERNEL32.dll";
constexpr char kKeepWineWaitsVariable[] = "KX_WINE_THREADPOOL_WAITS";

// Win32's own reading of the environment: the C run-time's getenv is one
// that Visual C++ warns about.
bool VariableIsOne(const char* name) {
  char value[2];
  return GetEnvironmentVariableA(name, value, sizeof(value)) == 1 &&
         value[0] == '1';
}

bool KeepsWineWaits() {
  return VariableIsOne(kKeepWineWaitsVariable);
}

template <typename T>
T* At(HMODULE module, DWORD offset) {
  return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + offset);
}

void** FindSlotInDescriptor(HMODULE module,
                            const IMAGE_IMPORT_DESCRIPTOR& descriptor,
                            const char* function) {
  // Without the name table the slots cannot be told apart.
  if (!descriptor.OriginalFirstThunk)
    return nullptr;
  auto* names = At<IMAGE_THUNK_DATA>(module, descriptor.OriginalFirstThunk);
  auto* slots = At<IMAGE_THUNK_DATA>(module, descriptor.FirstThunk);
  for (; names->u1.AddressOfData; ++names, ++slots) {
    if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
      continue;
    auto* by_name = At<IMAGE_IMPORT_BY_NAME>(
        module, static_cast<DWORD>(names->u1.AddressOfData));
    if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), function) ==
        0)
      return reinterpret_cast<void**>(&slots->u1.Function);
  }
  return nullptr;
}

// Whether this is the first call for |module|; any later one, or one made
// at the same time, is refused.
bool FirstAskFor(HMODULE module) {
  static std::mutex* const lock = new std::mutex;
  static std::set<HMODULE>* const asked = new std::set<HMODULE>;
  std::lock_guard<std::mutex> hold(*lock);
  return asked->insert(module).second;
}

using QueryThread = LONG(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
// NtQueryInformationThread's class for the address a thread started at.
constexpr ULONG kThreadStartAddress = 9;

// Whether a thread of this process started at an address inside |module|.
// A thread that cannot be asked counts as not.
bool ThreadStartedIn(HMODULE module) {
  // Through void*: a function pointer cast straight to another type is one
  // compilers warn about.
  auto query = reinterpret_cast<QueryThread>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"),
                     "NtQueryInformationThread")));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(module);
  const SIZE_T size =
      At<IMAGE_NT_HEADERS>(module, dos->e_lfanew)->OptionalHeader.SizeOfImage;
  const ULONG_PTR begin = reinterpret_cast<ULONG_PTR>(module);
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (!query || snapshot == INVALID_HANDLE_VALUE)
    return false;
  bool started = false;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot, &entry); more && !started;
       more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != GetCurrentProcessId())
      continue;
    HANDLE thread =
        OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
    if (!thread)
      continue;
    ULONG_PTR start = 0;
    if (query(thread, kThreadStartAddress, &start, sizeof(start), nullptr) ==
        0) {
      started = start >= begin && start - begin < size;
    }
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
  return started;
}

}  // namespace

void** FindImportSlot(HMODULE module,
                      const char* library,
                      const char* function) {
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(module);
  if (!module || dos->e_magic != IMAGE_DOS_SIGNATURE)
    return nullptr;
  auto* nt = At<IMAGE_NT_HEADERS>(module, dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!imports.VirtualAddress)
    return nullptr;
  for (auto* descriptor =
           At<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress);
       descriptor->Name; ++descriptor) {
    if (_stricmp(At<const char>(module, descriptor->Name), library) != 0)
      continue;
    if (void** slot = FindSlotInDescriptor(module, *descriptor, function))
      return slot;
  }
  return nullptr;
}

void* ReplaceImportSlot(void** slot, void* target) {
  DWORD protection;
  if (!VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection))
    return nullptr;
  void* previous = InterlockedExchangePointer(slot, target);
  VirtualProtect(slot, sizeof(*slot), protection, &protection);
  return previous;
}

bool RouteFrameworkWaitsUnderWine() {
  HMODULE framework = GetModuleHandleW(kFrameworkLibrary);
  if (!framework || !RunningUnderWine() || KeepsWineWaits())
    return false;
  return RouteModuleWaits(framework);
}

bool RouteModuleWaits(HMODULE module) {
  if (!FirstAskFor(module) || ThreadStartedIn(module))
    return false;
  void** register_slot =
      FindImportSlot(module, kSystemLibrary, "RegisterWaitForSingleObject");
  void** unregister_slot =
      FindImportSlot(module, kSystemLibrary, "UnregisterWaitEx");
  // A wait registered by one and unregistered by the other would be lost:
  // both or neither.
  if (!register_slot || !unregister_slot)
    return false;
  void* wine_register = ReplaceImportSlot(
      register_slot, reinterpret_cast<void*>(&WaitRegistry::Register));
  if (!wine_register)
    return false;
  if (!ReplaceImportSlot(unregister_slot,
                         reinterpret_cast<void*>(&WaitRegistry::Unregister))) {
    ReplaceImportSlot(register_slot, wine_register);
    return false;
  }
  return true;
}

void ReportFrameworkWaitsIfAsked(const char* process) {
  if (!VariableIsOne("KX_WAIT_STATS"))
    return;
  FILETIME created, exited, kernel, user, now;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
           time.dwLowDateTime;
  };
  const double seconds = (ticks(now) - ticks(created)) / 1e7;
  const WaitRegistry::Stats stats = WaitRegistry::GetStats();
  std::fprintf(stderr,
               "wait registry (%s): %llu registrations in %.1f s (%.0f/s), "
               "at most %u live, at most %u wait threads\n",
               process, stats.registrations, seconds,
               seconds > 0 ? stats.registrations / seconds : 0.0,
               stats.peak_live, stats.peak_threads);
  std::fflush(stderr);
}
