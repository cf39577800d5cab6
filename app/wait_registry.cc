#include "app/wait_registry.h"

#include <mutex>
#include <new>

namespace {

// Callbacks of the framework's waits only post a task; this is ample.
constexpr SIZE_T kThreadStackBytes = 256 * 1024;

// Guarded by StatsLock().
WaitRegistry::Stats g_stats = {};

std::mutex& StatsLock() {
  static std::mutex* const lock = new std::mutex;
  return *lock;
}

void CountLive(int change) {
  std::lock_guard<std::mutex> hold(StatsLock());
  g_stats.live += change;
  if (change > 0) {
    ++g_stats.registrations;
    if (g_stats.live > g_stats.peak_live)
      g_stats.peak_live = g_stats.live;
  }
}

void CountThreads(int change) {
  std::lock_guard<std::mutex> hold(StatsLock());
  g_stats.threads += change;
  if (g_stats.threads > g_stats.peak_threads)
    g_stats.peak_threads = g_stats.threads;
}

}  // namespace

class WaitRegistry::Registration {
 public:
  Registration(HANDLE object,
               WAITORTIMERCALLBACK callback,
               PVOID context,
               ULONG milliseconds,
               bool once)
      : object_(object),
        callback_(callback),
        context_(context),
        milliseconds_(milliseconds),
        once_(once) {}

  ~Registration() {
    for (HANDLE handle : {thread_, cancel_}) {
      if (handle)
        CloseHandle(handle);
    }
  }

  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;

  // Starts the thread, suspended until its id is known: a callback that
  // unregisters its own wait must be recognised as such.
  bool Start() {
    cancel_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!cancel_)
      return false;
    thread_ = CreateThread(nullptr, kThreadStackBytes, &ThreadMain, this,
                           CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION,
                           &thread_id_);
    if (!thread_)
      return false;
    ResumeThread(thread_);
    return true;
  }

  // Ends the registration. The thread deletes it when it is still running
  // and nobody waits for it; otherwise the caller does.
  void Unregister(HANDLE completion_event) {
    SetEvent(cancel_);
    bool self = GetCurrentThreadId() == thread_id_;
    if (completion_event == INVALID_HANDLE_VALUE && !self) {
      WaitForSingleObject(thread_, INFINITE);
      delete this;
      return;
    }
    if (completion_event == INVALID_HANDLE_VALUE)
      completion_event = nullptr;
    bool finished;
    {
      std::lock_guard<std::mutex> hold(lock_);
      released_ = true;
      completion_event_ = completion_event;
      finished = finished_;
    }
    if (finished)
      Complete();
  }

 private:
  static DWORD WINAPI ThreadMain(LPVOID self) {
    CountThreads(1);
    static_cast<Registration*>(self)->WaitAndCall();
    CountThreads(-1);
    static_cast<Registration*>(self)->Finish();
    return 0;
  }

  void WaitAndCall() {
    // Cancellation first: when both are signalled, the wait has ended.
    HANDLE handles[] = {cancel_, object_};
    for (;;) {
      DWORD result = WaitForMultipleObjects(2, handles, FALSE, milliseconds_);
      bool signalled =
          result == WAIT_OBJECT_0 + 1 || result == WAIT_ABANDONED_0 + 1;
      if (!signalled && result != WAIT_TIMEOUT)
        return;  // Cancelled, or the object is no longer a valid handle.
      callback_(context_, result == WAIT_TIMEOUT);
      if (once_)
        return;
    }
  }

  // Nothing of |this| may be touched after the lock is let go unless the
  // registration was already released: its owner may delete it at once.
  void Finish() {
    bool released;
    {
      std::lock_guard<std::mutex> hold(lock_);
      finished_ = true;
      released = released_;
    }
    if (released)
      Complete();
  }

  void Complete() {
    if (completion_event_)
      SetEvent(completion_event_);
    delete this;
  }

  const HANDLE object_;
  const WAITORTIMERCALLBACK callback_;
  const PVOID context_;
  const ULONG milliseconds_;
  const bool once_;
  HANDLE cancel_ = nullptr;
  HANDLE thread_ = nullptr;
  DWORD thread_id_ = 0;
  std::mutex lock_;
  bool finished_ = false;
  bool released_ = false;
  HANDLE completion_event_ = nullptr;
};

BOOL WINAPI WaitRegistry::Register(PHANDLE new_wait,
                                   HANDLE object,
                                   WAITORTIMERCALLBACK callback,
                                   PVOID context,
                                   ULONG milliseconds,
                                   ULONG flags) {
  if (!new_wait || !callback) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Registration* registration = new (std::nothrow) Registration(
      object, callback, context, milliseconds, flags & WT_EXECUTEONLYONCE);
  if (!registration) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  if (!registration->Start()) {
    DWORD error = GetLastError();
    delete registration;
    SetLastError(error);
    return FALSE;
  }
  CountLive(1);
  *new_wait = registration;
  return TRUE;
}

BOOL WINAPI WaitRegistry::Unregister(HANDLE wait, HANDLE completion_event) {
  if (!wait) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  static_cast<Registration*>(wait)->Unregister(completion_event);
  CountLive(-1);
  return TRUE;
}

WaitRegistry::Stats WaitRegistry::GetStats() {
  std::lock_guard<std::mutex> hold(StatsLock());
  return g_stats;
}
