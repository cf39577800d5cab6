// The framework's log, as the logging macros of include/base/cef_logging.h
// reach it. Any thread.
#ifndef CEF_INCLUDE_INTERNAL_CEF_LOGGING_INTERNAL_H_
#define CEF_INCLUDE_INTERNAL_CEF_LOGGING_INTERNAL_H_

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// The lowest severity written (cef::logging::LOG_INFO and up, by default);
// set by CefSettings.log_severity.
int cef_get_min_log_level();

// The verbose level for the file named by |file_start| (|N| bytes).
int cef_get_vlog_level(const char* file_start, size_t N);

// Writes one line, "[MMDD/hhmmss:SEVERITY:file(line)] message", where the
// framework's own lines go: CefSettings.log_file when one is set, standard
// error otherwise. A LOG_FATAL line ends the process.
void cef_log(const char* file, int line, int severity, const char* message);

#ifdef __cplusplus
}
#endif

#endif  // CEF_INCLUDE_INTERNAL_CEF_LOGGING_INTERNAL_H_
