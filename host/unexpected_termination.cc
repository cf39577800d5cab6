#include "host/unexpected_termination.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <exception>

#include "host/exit_codes.h"

namespace {

std::atomic<bool> g_ending{false};

// The text of the exception being handled, if it is a std::exception.
const char* CurrentExceptionText() {
  std::exception_ptr current = std::current_exception();
  if (!current)
    return "no exception";
  try {
    std::rethrow_exception(current);
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
  }
  return "an exception of unknown type";
}

void OnTerminate() {
  EndUnexpectedly(CurrentExceptionText());
}

void OnAbortSignal(int) {
  EndUnexpectedly("abort");
}

}  // namespace

void InstallUnexpectedTerminationHandlers() {
  std::set_terminate(OnTerminate);
  std::signal(SIGABRT, OnAbortSignal);
}

void EndUnexpectedly(const char* what) {
  // Written straight to the handle: the C runtime's streams may be what
  // failed, and another thread may hold their lock.
  if (!g_ending.exchange(true)) {
    char line[512] = "error: unexpected termination (";
    strncat(line, what ? what : "unknown", sizeof(line) - 40);
    strcat(line, ")\n");
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line,
              static_cast<DWORD>(strlen(line)), &written, nullptr);
  }
  TerminateProcess(GetCurrentProcess(), kUnexpectedTerminationExitCode);
  for (;;)
    Sleep(INFINITE);
}
