// Wait registrations with the semantics of RegisterWaitForSingleObject and
// UnregisterWaitEx, kept by threads of our own instead of the system thread
// pool.
//
// Wine's thread pool (8.0) is not sound when UnregisterWaitEx races the
// wait's own signal: it can release the registration while its wait thread
// still uses it, so the process faults later in a pool thread (it calls
// through freed memory) or inside UnregisterWaitEx (a null write). The
// framework's browser process unregisters such waits while the objects are
// being signalled, at shutdown above all, and died there about once in a few
// hundred runs. Each registration here owns a thread that waits for the
// object or for its cancellation: whoever unregisters waits for that thread,
// never for shared pool state.
#ifndef APP_WAIT_REGISTRY_H_
#define APP_WAIT_REGISTRY_H_

#include <windows.h>

class WaitRegistry {
 public:
  // As RegisterWaitForSingleObject: |flags| WT_EXECUTEONLYONCE is honoured,
  // the other flags only say where the callback may run, and it always runs
  // on the registration's own thread. The callback never runs inside this
  // call.
  static BOOL WINAPI Register(PHANDLE new_wait,
                              HANDLE object,
                              WAITORTIMERCALLBACK callback,
                              PVOID context,
                              ULONG milliseconds,
                              ULONG flags);

  // As UnregisterWaitEx. INVALID_HANDLE_VALUE waits until a running callback
  // has returned; an event is signalled once it has; NULL waits for nothing.
  // No callback starts after this returns. Called from the registration's
  // own callback it cannot wait for itself, and does as with NULL.
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

 private:
  class Registration;
};

#endif  // APP_WAIT_REGISTRY_H_
