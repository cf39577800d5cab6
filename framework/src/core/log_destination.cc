#include "src/core/log_destination.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "include/internal/cef_logging_internal.h"

namespace cef_internal {

namespace {

// cef::logging's levels (verbose -1, info 0, ...), one below the settings'.
constexpr int kInfoLevel = 0;
constexpr int kFatalLevel = 3;
constexpr int kOffLevel = 4;

std::mutex& LogLock() {
  static std::mutex* const g_lock = new std::mutex;
  return *g_lock;
}
// Guarded by LogLock().
std::wstring* g_log_file = nullptr;
int g_min_level = kInfoLevel;

int LevelOf(cef_log_severity_t severity) {
  switch (severity) {
    case LOGSEVERITY_DEFAULT:
      return kInfoLevel;
    case LOGSEVERITY_VERBOSE:
    case LOGSEVERITY_INFO:
    case LOGSEVERITY_WARNING:
    case LOGSEVERITY_ERROR:
      return static_cast<int>(severity) - 2;
    default:
      return kOffLevel;
  }
}

const char* SeverityName(int severity) {
  static const char* const kNames[] = {"INFO", "WARNING", "ERROR", "FATAL"};
  if (severity < 0)
    return "VERBOSE1";
  return severity <= kFatalLevel ? kNames[severity] : "UNKNOWN";
}

}  // namespace

// static
void LogDestination::Configure(const std::wstring& file,
                               cef_log_severity_t severity) {
  std::lock_guard<std::mutex> hold(LogLock());
  delete g_log_file;
  g_log_file = file.empty() ? nullptr : new std::wstring(file);
  g_min_level = LevelOf(severity);
}

// static
void LogDestination::Reset() {
  Configure(std::wstring(), LOGSEVERITY_DEFAULT);
}

// static
int LogDestination::MinLevel() {
  std::lock_guard<std::mutex> hold(LogLock());
  return g_min_level;
}

// static
std::string LogDestination::Format(const char* file,
                                   int line,
                                   int severity,
                                   const char* message) {
  const char* name = file ? file : "";
  for (const char* p = name; *p; ++p) {
    if (*p == '/' || *p == '\\')
      name = p + 1;
  }
  SYSTEMTIME now;
  GetLocalTime(&now);
  char prefix[64];
  std::snprintf(prefix, sizeof(prefix),
                "[%02u%02u/%02u%02u%02u:%s:", now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond, SeverityName(severity));
  return std::string(prefix) + name + "(" + std::to_string(line) + ")] " +
         (message ? message : "");
}

// static
void LogDestination::Write(const std::string& line) {
  const std::string text = line + "\n";
  std::lock_guard<std::mutex> hold(LogLock());
  if (!g_log_file) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    return;
  }
  HANDLE file = CreateFileW(g_log_file->c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
  CloseHandle(file);
}

}  // namespace cef_internal

int cef_get_min_log_level() {
  return cef_internal::LogDestination::MinLevel();
}

int cef_get_vlog_level(const char* file_start, size_t N) {
  return 0;
}

void cef_log(const char* file, int line, int severity, const char* message) {
  if (severity >= cef_internal::LogDestination::MinLevel()) {
    cef_internal::LogDestination::Write(
        cef_internal::LogDestination::Format(file, line, severity, message));
  }
  // A failed CHECK ends the process even when logging is off.
  if (severity >= cef_internal::kFatalLevel)
    std::abort();
}
