#include "app/wait_registry.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

namespace {

// Callbacks of the framework's waits only post a task; this is ample.
constexpr SIZE_T kThreadStackBytes = 256 * 1024;

class WaitThread;

// One registration. Its wait thread alone deletes it, and only when
// rebuilding the list of objects it waits for, so a registration it took
// into that list stays valid while it waits.
struct Registration {
  uintptr_t id = 0;
  // Our own duplicate of the caller's handle: the caller may close theirs
  // as soon as it has unregistered, while the wait thread may still be
  // waiting on this one.
  HANDLE object = nullptr;
  WAITORTIMERCALLBACK callback = nullptr;
  PVOID context = nullptr;
  ULONG milliseconds = INFINITE;
  bool once = false;
  ULONGLONG deadline = 0;  // GetTickCount64() of the next time-out
  WaitThread* thread = nullptr;
  // No callback is due any more: called once, or the object is not one
  // that can be waited for.
  bool done = false;
  // Unregister was called: no callback may start.
  bool unregistered = false;
  // Set once the callback that was running at Unregister has returned.
  HANDLE completion = nullptr;
};

// A thread that waits for up to kWaitsPerThread objects and its control
// event, and runs their callbacks.
class WaitThread {
 public:
  WaitThread() = default;
  WaitThread(const WaitThread&) = delete;
  WaitThread& operator=(const WaitThread&) = delete;

  // Under the registry's lock.
  bool Start();
  bool HasRoom() const { return waits_.size() < WaitRegistry::kWaitsPerThread; }
  void Add(Registration* registration);
  // |registration| leaves the thread's list; the thread frees it.
  void Retire(Registration* registration);
  bool IsRunning(const Registration* registration) const {
    return running_ == registration;
  }
  DWORD thread_id() const { return thread_id_; }
  void Wake() const { SetEvent(control_); }

 private:
  static DWORD WINAPI ThreadMain(LPVOID self);
  void Run();
  // Under the lock: frees what was retired and lists what to wait for.
  DWORD Rebuild(std::vector<HANDLE>* handles,
                std::vector<Registration*>* listed);
  void Fire(Registration* registration, bool timed_out);
  void FireExpired(const std::vector<Registration*>& listed);
  // After WAIT_FAILED: one of |listed| cannot be waited for.
  void SortOutFailure(const std::vector<Registration*>& listed);

  HANDLE control_ = nullptr;
  DWORD thread_id_ = 0;
  // Guarded by the registry's lock from here down.
  std::vector<Registration*> waits_;
  std::vector<Registration*> retired_;
  const Registration* running_ = nullptr;
  size_t rotation_ = 0;
};

// The registry's one lock, its waits by handle value and its threads.
// Never destroyed: wait threads run until the process ends.
struct State {
  std::mutex lock;
  // Tells Unregister callers that a callback has returned.
  std::condition_variable callback_returned;
  std::unordered_map<uintptr_t, Registration*> waits;
  std::vector<WaitThread*> threads;
  uintptr_t last_id = 0;
  WaitRegistry::Stats stats = {};
};

State& TheState() {
  static State* const state = new State;
  return *state;
}

// A wait handle is an id, never an address: a handle unregistered twice,
// or one that was never ours, names nothing rather than freed memory.
uintptr_t NextId(State* state) {
  do {
    ++state->last_id;
  } while (state->last_id == 0 ||
           state->last_id ==
               reinterpret_cast<uintptr_t>(INVALID_HANDLE_VALUE) ||
           state->waits.count(state->last_id));
  return state->last_id;
}

bool Finite(ULONG milliseconds) {
  return milliseconds != INFINITE;
}

}  // namespace

bool WaitThread::Start() {
  control_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!control_)
    return false;
  HANDLE thread = CreateThread(nullptr, kThreadStackBytes, &ThreadMain, this,
                               STACK_SIZE_PARAM_IS_A_RESERVATION, &thread_id_);
  if (!thread) {
    CloseHandle(control_);
    control_ = nullptr;
    return false;
  }
  // Runs until the process ends; nobody ever waits for it to end, so no
  // unregistration can wait on a thread's exit (and the loader lock that
  // takes).
  CloseHandle(thread);
  return true;
}

void WaitThread::Add(Registration* registration) {
  registration->thread = this;
  waits_.push_back(registration);
  Wake();
}

void WaitThread::Retire(Registration* registration) {
  for (auto it = waits_.begin(); it != waits_.end(); ++it) {
    if (*it == registration) {
      waits_.erase(it);
      break;
    }
  }
  retired_.push_back(registration);
  Wake();
}

// static
DWORD WINAPI WaitThread::ThreadMain(LPVOID self) {
  static_cast<WaitThread*>(self)->Run();
  return 0;
}

void WaitThread::Run() {
  std::vector<HANDLE> handles;
  std::vector<Registration*> listed;
  for (;;) {
    DWORD timeout;
    {
      std::lock_guard<std::mutex> hold(TheState().lock);
      timeout = Rebuild(&handles, &listed);
    }
    const DWORD count = static_cast<DWORD>(handles.size());
    const DWORD result =
        WaitForMultipleObjects(count, handles.data(), FALSE, timeout);
    if (result > WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + count) {
      Fire(listed[result - WAIT_OBJECT_0 - 1], false);
    } else if (result > WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + count) {
      Fire(listed[result - WAIT_ABANDONED_0 - 1], false);
    } else if (result == WAIT_TIMEOUT) {
      FireExpired(listed);
    } else if (result == WAIT_FAILED) {
      SortOutFailure(listed);
    }
    // The control event: the list changed, look again.
  }
}

DWORD WaitThread::Rebuild(std::vector<HANDLE>* handles,
                          std::vector<Registration*>* listed) {
  for (Registration* registration : retired_) {
    CloseHandle(registration->object);
    delete registration;
  }
  retired_.clear();
  handles->assign(1, control_);
  listed->clear();
  const ULONGLONG now = GetTickCount64();
  DWORD timeout = INFINITE;
  // Each round starts after the object signalled last, so that one that
  // stays signalled cannot keep the others waiting.
  const size_t size = waits_.size();
  for (size_t n = 0; n < size; ++n) {
    Registration* registration = waits_[(rotation_ + n) % size];
    if (registration->done || registration->unregistered)
      continue;
    handles->push_back(registration->object);
    listed->push_back(registration);
    if (!Finite(registration->milliseconds))
      continue;
    const ULONGLONG left =
        registration->deadline > now ? registration->deadline - now : 0;
    if (left < timeout)
      timeout = static_cast<DWORD>(left);
  }
  return timeout;
}

void WaitThread::Fire(Registration* registration, bool timed_out) {
  State& state = TheState();
  {
    std::lock_guard<std::mutex> hold(state.lock);
    if (registration->done || registration->unregistered)
      return;
    running_ = registration;
    if (registration->once)
      registration->done = true;
    else if (Finite(registration->milliseconds))
      registration->deadline = GetTickCount64() + registration->milliseconds;
    // The next round starts after this one.
    for (size_t i = 0; i < waits_.size(); ++i) {
      if (waits_[i] == registration)
        rotation_ = i + 1;
    }
  }
  registration->callback(registration->context, timed_out);
  {
    std::lock_guard<std::mutex> hold(state.lock);
    running_ = nullptr;
    if (registration->unregistered) {
      if (registration->completion)
        SetEvent(registration->completion);
      Retire(registration);
    }
  }
  state.callback_returned.notify_all();
}

void WaitThread::FireExpired(const std::vector<Registration*>& listed) {
  const ULONGLONG now = GetTickCount64();
  for (Registration* registration : listed) {
    bool expired;
    {
      std::lock_guard<std::mutex> hold(TheState().lock);
      expired =
          Finite(registration->milliseconds) && registration->deadline <= now;
    }
    if (expired)
      Fire(registration, true);
  }
}

void WaitThread::SortOutFailure(const std::vector<Registration*>& listed) {
  for (Registration* registration : listed) {
    const DWORD result = WaitForSingleObject(registration->object, 0);
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0) {
      // Taken now (an auto-reset object is reset): its callback is due.
      Fire(registration, false);
    } else if (result == WAIT_FAILED) {
      std::lock_guard<std::mutex> hold(TheState().lock);
      registration->done = true;
    }
  }
}

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
  Registration* registration = new (std::nothrow) Registration;
  if (!registration) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  // An object that cannot be duplicated cannot be waited for either: the
  // registration stands, but no callback ever comes, as before.
  if (!DuplicateHandle(GetCurrentProcess(), object, GetCurrentProcess(),
                       &registration->object, SYNCHRONIZE, FALSE, 0)) {
    registration->object = nullptr;
    registration->done = true;
  }
  registration->callback = callback;
  registration->context = context;
  registration->milliseconds = milliseconds;
  registration->once = (flags & WT_EXECUTEONLYONCE) != 0;
  if (Finite(milliseconds))
    registration->deadline = GetTickCount64() + milliseconds;

  State& state = TheState();
  std::lock_guard<std::mutex> hold(state.lock);
  WaitThread* thread = nullptr;
  for (WaitThread* candidate : state.threads) {
    if (candidate->HasRoom()) {
      thread = candidate;
      break;
    }
  }
  if (!thread) {
    thread = new (std::nothrow) WaitThread;
    if (!thread || !thread->Start()) {
      const DWORD error = thread ? GetLastError() : ERROR_NOT_ENOUGH_MEMORY;
      delete thread;
      if (registration->object)
        CloseHandle(registration->object);
      delete registration;
      SetLastError(error);
      return FALSE;
    }
    state.threads.push_back(thread);
    state.stats.threads = static_cast<unsigned>(state.threads.size());
    state.stats.peak_threads = state.stats.threads;
  }
  registration->id = NextId(&state);
  state.waits[registration->id] = registration;
  thread->Add(registration);
  ++state.stats.registrations;
  state.stats.live = static_cast<unsigned>(state.waits.size());
  if (state.stats.live > state.stats.peak_live)
    state.stats.peak_live = state.stats.live;
  *new_wait = reinterpret_cast<HANDLE>(registration->id);
  return TRUE;
}

BOOL WINAPI WaitRegistry::Unregister(HANDLE wait, HANDLE completion_event) {
  State& state = TheState();
  std::unique_lock<std::mutex> hold(state.lock);
  auto found = state.waits.find(reinterpret_cast<uintptr_t>(wait));
  if (!wait || found == state.waits.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Registration* registration = found->second;
  state.waits.erase(found);
  state.stats.live = static_cast<unsigned>(state.waits.size());
  registration->unregistered = true;
  WaitThread* thread = registration->thread;
  const bool blocking = completion_event == INVALID_HANDLE_VALUE;
  HANDLE event = blocking ? nullptr : completion_event;
  if (!thread->IsRunning(registration)) {
    thread->Retire(registration);
    hold.unlock();
    if (event)
      SetEvent(event);
    return TRUE;
  }
  // Its callback runs now: the wait thread retires it once it returns.
  if (GetCurrentThreadId() == thread->thread_id()) {
    // From that very callback, which cannot wait for itself.
    registration->completion = event;
    return TRUE;
  }
  registration->completion = event;
  if (blocking) {
    state.callback_returned.wait(hold, [thread, registration] {
      return !thread->IsRunning(registration);
    });
  }
  return TRUE;
}

WaitRegistry::Stats WaitRegistry::GetStats() {
  State& state = TheState();
  std::lock_guard<std::mutex> hold(state.lock);
  return state.stats;
}
