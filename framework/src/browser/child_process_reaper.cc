#include "src/browser/child_process_reaper.h"

#include <algorithm>
#include <vector>

#include "src/browser/child_process_switches.h"
#include "src/core/auto_lock.h"

namespace cef_internal {

namespace {

// How long a terminated process may take to be gone.
constexpr DWORD kTerminateWaitMs = 2000;

struct Retiree {
  HANDLE process;
  // Set under the lock before the wait's callback can read it.
  HANDLE wait;
};

// Never destroyed: a wait may still fire while the process exits.
CRITICAL_SECTION* Lock() {
  static CRITICAL_SECTION* const g_lock = [] {
    CRITICAL_SECTION* lock = new CRITICAL_SECTION;
    InitializeCriticalSection(lock);
    return lock;
  }();
  return g_lock;
}

std::vector<Retiree*>& Retirees() {
  static std::vector<Retiree*>* const g_retirees = new std::vector<Retiree*>;
  return *g_retirees;
}

void EndNow(HANDLE process) {
  if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
    return;
  TerminateProcess(process, kRenderProcessKilledExitCode);
  WaitForSingleObject(process, kTerminateWaitMs);
}

// On a pool thread: the process ended, or its grace period did.
void CALLBACK OnRetireeDone(void* context, BOOLEAN timed_out) {
  Retiree* retiree = static_cast<Retiree*>(context);
  if (timed_out)
    EndNow(retiree->process);
  HANDLE wait;
  {
    AutoLock hold(Lock());
    std::vector<Retiree*>& all = Retirees();
    all.erase(std::remove(all.begin(), all.end(), retiree), all.end());
    wait = retiree->wait;
  }
  // A one-shot wait still has to be unregistered; this form does not block.
  UnregisterWait(wait);
  CloseHandle(retiree->process);
  delete retiree;
}

}  // namespace

// static
void ChildProcessReaper::Retire(HANDLE process, DWORD grace_ms) {
  if (!process)
    return;
  Retiree* retiree = new Retiree{process, nullptr};
  bool watched;
  {
    AutoLock hold(Lock());
    watched = RegisterWaitForSingleObject(
        &retiree->wait, process, &OnRetireeDone, retiree, grace_ms,
        WT_EXECUTEONLYONCE | WT_EXECUTELONGFUNCTION);
    if (watched)
      Retirees().push_back(retiree);
  }
  if (watched)
    return;
  EndNow(process);
  CloseHandle(process);
  delete retiree;
}

// static
void ChildProcessReaper::EndAll(DWORD timeout_ms) {
  std::vector<HANDLE> processes;
  {
    AutoLock hold(Lock());
    for (Retiree* retiree : Retirees()) {
      HANDLE copy = nullptr;
      if (DuplicateHandle(GetCurrentProcess(), retiree->process,
                          GetCurrentProcess(), &copy, 0, FALSE,
                          DUPLICATE_SAME_ACCESS)) {
        processes.push_back(copy);
      }
    }
  }
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (HANDLE process : processes) {
    ULONGLONG now = GetTickCount64();
    DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    if (WaitForSingleObject(process, left) != WAIT_OBJECT_0)
      EndNow(process);
    CloseHandle(process);
  }
}

// static
int ChildProcessReaper::PendingCount() {
  AutoLock hold(Lock());
  return static_cast<int>(Retirees().size());
}

}  // namespace cef_internal
