// Wait registrations with the semantics of RegisterWaitForSingleObject and
// UnregisterWaitEx, kept by wait threads of our own instead of the system
// thread pool.
//
// Wine's thread pool (8.0) is not sound when UnregisterWaitEx races the
// wait's own signal: it can release the registration while its wait thread
// still uses it, so the process faults later in a pool thread (it calls
// through freed memory) or inside UnregisterWaitEx (a null write). The
// framework's browser process unregisters such waits while the objects are
// being signalled, at shutdown above all, and died there about once in a few
// hundred runs.
//
// As the system's pool does, a few wait threads each watch up to
// kWaitsPerThread objects and one control event, and run the callbacks of
// their objects themselves (the framework asks for WT_EXECUTEINWAITTHREAD):
// a registration costs a list entry and a wake, not a thread, though the
// framework registers a wait again for every read of a busy pipe or socket.
// Whoever unregisters waits at most for a callback that is running, never
// for a thread to end (so never for the loader lock) nor for shared pool
// state.
#ifndef APP_WAIT_REGISTRY_H_
#define APP_WAIT_REGISTRY_H_

#include <windows.h>

#include <cstddef>

class WaitRegistry {
 public:
  // Objects per wait thread: WaitForMultipleObjects' limit, less the
  // thread's control event.
  static constexpr size_t kWaitsPerThread = MAXIMUM_WAIT_OBJECTS - 1;

  // As RegisterWaitForSingleObject: |flags| WT_EXECUTEONLYONCE is honoured,
  // the other flags only say where the callback may run, and it always runs
  // on a wait thread of the registry's. |milliseconds| is a time-out after
  // which the callback runs with |timed_out| set (INFINITE: none), again
  // after each call unless only once. The callback never runs inside this
  // call. The registry waits on a duplicate of |object|: the caller may
  // close its handle once it has unregistered.
  static BOOL WINAPI Register(PHANDLE new_wait,
                              HANDLE object,
                              WAITORTIMERCALLBACK callback,
                              PVOID context,
                              ULONG milliseconds,
                              ULONG flags);

  // As UnregisterWaitEx. INVALID_HANDLE_VALUE waits until a running callback
  // has returned; an event is signalled once it has (at once when none
  // runs); NULL waits for nothing. No callback starts after this returns.
  // Called from the registration's own callback it cannot wait for itself,
  // and does as with NULL. A handle that is not a registered wait (never
  // was, or was unregistered already) is refused with ERROR_INVALID_HANDLE.
  static BOOL WINAPI Unregister(HANDLE wait, HANDLE completion_event);

  // What the process has asked of the registry so far.
  struct Stats {
    unsigned long long registrations;  // successful Register calls
    unsigned live;                     // registered, not yet unregistered
    unsigned peak_live;
    unsigned threads;  // wait threads running now
    unsigned peak_threads;
  };
  static Stats GetStats();
};

#endif  // APP_WAIT_REGISTRY_H_
