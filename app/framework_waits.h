// Under Wine, the framework's library keeps its waits with WaitRegistry
// instead of the system thread pool, whose unregistration is not sound there
// (app/wait_registry.h). On Windows nothing changes.
#ifndef APP_FRAMEWORK_WAITS_H_
#define APP_FRAMEWORK_WAITS_H_

#include <windows.h>

// Points libcef.dll's imports of RegisterWaitForSingleObject and
// UnregisterWaitEx at WaitRegistry when the process runs under Wine. Call it
// once, first thing in every program that loads the framework, before
// CefExecuteProcess or CefInitialize start any of its threads. Returns
// whether this call pointed the imports at WaitRegistry: false on Windows,
// without the library, with KX_WINE_THREADPOOL_WAITS=1 in the environment
// (which keeps Wine's own, to see whether a Wine release has mended them),
// and when RouteModuleWaits refuses.
bool RouteFrameworkWaitsUnderWine();

// Points |module|'s imports of the two functions at WaitRegistry. Refused
// (false, nothing changed) when a thread of |module|'s has started, since
// waits it registered with the system would then come to WaitRegistry to be
// unregistered; and for every call after the first for |module|, even one
// made at the same time, so that two can never interleave their writes.
bool RouteModuleWaits(HMODULE module);

// With KX_WAIT_STATS=1 in the environment: one line on standard error with
// what WaitRegistry kept in this process (registrations, and per second of
// the process's life; the most live waits and wait threads at once).
void ReportFrameworkWaitsIfAsked(const char* process);

// The slot through which |module| calls |function| of |library| (matched
// without regard to case), or nullptr when it does not import it by name.
void** FindImportSlot(HMODULE module,
                      const char* library,
                      const char* function);

// Stores |target| in |slot|, which may lie in read-only pages; returns what
// the slot held, or nullptr when the slot cannot be written.
void* ReplaceImportSlot(void** slot, void* target);

#endif  // APP_FRAMEWORK_WAITS_H_
