// A library that imports the two wait functions as the framework's library
// does, for the routing tests: its calls go through its own import slots.
#include <windows.h>

extern "C" __declspec(dllexport) BOOL
    KxWaitsRegister(PHANDLE wait,
                    HANDLE object,
                    WAITORTIMERCALLBACK callback,
                    PVOID context) {
  return RegisterWaitForSingleObject(
      wait, object, callback, context, INFINITE,
      WT_EXECUTEINWAITTHREAD | WT_EXECUTEONLYONCE);
}

extern "C" __declspec(dllexport) BOOL KxWaitsUnregister(HANDLE wait) {
  return UnregisterWaitEx(wait, INVALID_HANDLE_VALUE);
}

// A thread of the library's own, as the framework starts them: it runs
// until |event| is set.
extern "C" __declspec(dllexport) DWORD WINAPI KxWaitsThread(LPVOID event) {
  WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
  return 0;
}
