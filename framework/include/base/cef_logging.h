// Logging into the framework's log: LOG(severity) << ...; LOG_IF(severity,
// condition) << ...; PLOG(severity) << ... adds the calling thread's last
// Win32 error ("...: The system cannot find the file specified. (0x2)").
// Severities: INFO, WARNING, ERROR, FATAL (which ends the process). A line
// below the framework's minimum severity is neither built nor written.
//
// Checks: CHECK(condition) and CHECK_EQ/NE/LE/LT/GE/GT(a, b) end the process
// with a FATAL line naming what failed, in every build. DCHECK and
// DCHECK_EQ.. do the same while DCHECK_IS_ON is 1: in builds without NDEBUG,
// or with DCHECK_ALWAYS_ON defined; otherwise their arguments are compiled
// but never evaluated. DLOG, DLOG_IF and DPLOG write only in builds without
// NDEBUG. NOTREACHED() is DCHECK(false).
#ifndef CEF_INCLUDE_BASE_CEF_LOGGING_H_
#define CEF_INCLUDE_BASE_CEF_LOGGING_H_

#include <sstream>
#include <string>

#include "include/internal/cef_logging_internal.h"

namespace cef {
namespace logging {

typedef int LogSeverity;
const LogSeverity LOG_VERBOSE = -1;
const LogSeverity LOG_INFO = 0;
const LogSeverity LOG_WARNING = 1;
const LogSeverity LOG_ERROR = 2;
const LogSeverity LOG_FATAL = 3;
const LogSeverity LOG_NUM_SEVERITIES = 4;
// <windows.h> defines ERROR as 0: LOG(ERROR) then names this one.
const LogSeverity LOG_0 = LOG_ERROR;

#if defined(NDEBUG) && !defined(DCHECK_ALWAYS_ON)
#define DCHECK_IS_ON 0
#else
#define DCHECK_IS_ON 1
#endif

// What a failed DCHECK writes: FATAL while DCHECKs are on.
const LogSeverity LOG_DCHECK = DCHECK_IS_ON ? LOG_FATAL : LOG_INFO;
// FATAL in builds without NDEBUG, ERROR otherwise.
#if defined(NDEBUG)
const LogSeverity LOG_DFATAL = LOG_ERROR;
#else
const LogSeverity LOG_DFATAL = LOG_FATAL;
#endif

inline int GetMinLogLevel() {
  return cef_get_min_log_level();
}

typedef unsigned long SystemErrorCode;
// ::GetLastError().
SystemErrorCode GetLastSystemErrorCode();
// The system's text for |error_code| and the code: "Access is denied. (0x5)".
std::string SystemErrorCodeToString(SystemErrorCode error_code);

// One line; written by the destructor.
class LogMessage {
 public:
  LogMessage(const char* file, int line, LogSeverity severity);
  // A failed CHECK_EQ and the like: FATAL (or |severity|), "Check failed: "
  // and |result|, which this message takes and frees.
  LogMessage(const char* file, int line, std::string* result);
  LogMessage(const char* file,
             int line,
             LogSeverity severity,
             std::string* result);
  virtual ~LogMessage();
  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;

  std::ostream& stream() { return stream_; }

 private:
  const char* file_;
  const int line_;
  LogSeverity severity_;
  std::ostringstream stream_;
  // The caller's last error, kept across the writing.
  SystemErrorCode last_error_;
};

// A line that ends with |error|'s text, for PLOG.
class Win32ErrorLogMessage : public LogMessage {
 public:
  Win32ErrorLogMessage(const char* file,
                       int line,
                       LogSeverity severity,
                       SystemErrorCode error);
  ~Win32ErrorLogMessage() override;

 private:
  SystemErrorCode error_;
};

// Lets the macros below be expressions of type void.
class LogMessageVoidify {
 public:
  LogMessageVoidify() {}
  void operator&(std::ostream&) {}
};

// The text of a failed comparison: "a == b (1 vs. 2)". The caller owns it.
template <typename A, typename B>
std::string* MakeCheckOpString(const A& a, const B& b, const char* names) {
  std::ostringstream text;
  text << names << " (" << a << " vs. " << b << ")";
  return new std::string(text.str());
}

// Null when |a| op |b| holds, the failure's text otherwise. The int overload
// lets values of unnamed enums compare.
#define CEF_INTERNAL_DEFINE_CHECK_OP_IMPL(name, op)                        \
  template <typename A, typename B>                                        \
  inline std::string* Check##name##Impl(const A& a, const B& b,            \
                                        const char* names) {               \
    return (a op b) ? nullptr : MakeCheckOpString(a, b, names);            \
  }                                                                        \
  inline std::string* Check##name##Impl(int a, int b, const char* names) { \
    return (a op b) ? nullptr : MakeCheckOpString(a, b, names);            \
  }
CEF_INTERNAL_DEFINE_CHECK_OP_IMPL(EQ, ==)
CEF_INTERNAL_DEFINE_CHECK_OP_IMPL(NE, !=)
CEF_INTERNAL_DEFINE_CHECK_OP_IMPL(LE, <=)
CEF_INTERNAL_DEFINE_CHECK_OP_IMPL(LT, <)
CEF_INTERNAL_DEFINE_CHECK_OP_IMPL(GE, >=)
CEF_INTERNAL_DEFINE_CHECK_OP_IMPL(GT, >)
#undef CEF_INTERNAL_DEFINE_CHECK_OP_IMPL

}  // namespace logging
}  // namespace cef

#define CEF_LOG_SEVERITY_(severity) ::cef::logging::LOG_##severity

#define LOG_IS_ON(severity) \
  (CEF_LOG_SEVERITY_(severity) >= ::cef::logging::GetMinLogLevel())

#define LAZY_STREAM(stream, condition) \
  !(condition) ? (void)0 : ::cef::logging::LogMessageVoidify() & (stream)

#define LOG_STREAM(severity)                                                  \
  ::cef::logging::LogMessage(__FILE__, __LINE__, CEF_LOG_SEVERITY_(severity)) \
      .stream()

#define LOG(severity) LAZY_STREAM(LOG_STREAM(severity), LOG_IS_ON(severity))
#define LOG_IF(severity, condition) \
  LAZY_STREAM(LOG_STREAM(severity), LOG_IS_ON(severity) && (condition))

#define PLOG_STREAM(severity)                          \
  ::cef::logging::Win32ErrorLogMessage(                \
      __FILE__, __LINE__, CEF_LOG_SEVERITY_(severity), \
      ::cef::logging::GetLastSystemErrorCode())        \
      .stream()

#define PLOG(severity) LAZY_STREAM(PLOG_STREAM(severity), LOG_IS_ON(severity))
#define PLOG_IF(severity, condition) \
  LAZY_STREAM(PLOG_STREAM(severity), LOG_IS_ON(severity) && (condition))

// A statement that compiles its stream operands and never runs them.
#define EAT_STREAM_PARAMETERS \
  true ? (void)0 : ::cef::logging::LogMessageVoidify() & LOG_STREAM(FATAL)

// --- checks ---------------------------------------------------------------
// The condition is always evaluated, once.
#define CHECK(condition)                       \
  LAZY_STREAM(LOG_STREAM(FATAL), !(condition)) \
      << "Check failed: " #condition ". "
#define PCHECK(condition)                       \
  LAZY_STREAM(PLOG_STREAM(FATAL), !(condition)) \
      << "Check failed: " #condition ". "

// Each operand is evaluated once. A loop rather than an if, so that an else
// after the macro never binds to it.
#define CHECK_OP(name, op, val1, val2)                                     \
  for (std::string* cef_check_result_ = ::cef::logging::Check##name##Impl( \
           (val1), (val2), #val1 " " #op " " #val2);                       \
       cef_check_result_; cef_check_result_ = nullptr)                     \
  ::cef::logging::LogMessage(__FILE__, __LINE__, cef_check_result_).stream()

#define CHECK_EQ(val1, val2) CHECK_OP(EQ, ==, val1, val2)
#define CHECK_NE(val1, val2) CHECK_OP(NE, !=, val1, val2)
#define CHECK_LE(val1, val2) CHECK_OP(LE, <=, val1, val2)
#define CHECK_LT(val1, val2) CHECK_OP(LT, <, val1, val2)
#define CHECK_GE(val1, val2) CHECK_OP(GE, >=, val1, val2)
#define CHECK_GT(val1, val2) CHECK_OP(GT, >, val1, val2)

// --- debug-only logging ---------------------------------------------------
#if defined(NDEBUG)
#define DLOG_IS_ON(severity) false
#define DLOG_IF(severity, condition) EAT_STREAM_PARAMETERS
#define DPLOG_IF(severity, condition) EAT_STREAM_PARAMETERS
#else
#define DLOG_IS_ON(severity) LOG_IS_ON(severity)
#define DLOG_IF(severity, condition) LOG_IF(severity, condition)
#define DPLOG_IF(severity, condition) PLOG_IF(severity, condition)
#endif
#define DLOG(severity) LAZY_STREAM(LOG_STREAM(severity), DLOG_IS_ON(severity))
#define DPLOG(severity) LAZY_STREAM(PLOG_STREAM(severity), DLOG_IS_ON(severity))

// --- debug checks ---------------------------------------------------------
// The condition is compiled in every build and evaluated only while
// DCHECK_IS_ON.
#define DCHECK(condition)                                       \
  LAZY_STREAM(LOG_STREAM(DCHECK), DCHECK_IS_ON && !(condition)) \
      << "Check failed: " #condition ". "
#define DPCHECK(condition)                                       \
  LAZY_STREAM(PLOG_STREAM(DCHECK), DCHECK_IS_ON && !(condition)) \
      << "Check failed: " #condition ". "

#define DCHECK_OP(name, op, val1, val2)                                      \
  for (std::string* cef_check_result_ =                                      \
           DCHECK_IS_ON ? ::cef::logging::Check##name##Impl(                 \
                              (val1), (val2), #val1 " " #op " " #val2)       \
                        : nullptr;                                           \
       cef_check_result_; cef_check_result_ = nullptr)                       \
  ::cef::logging::LogMessage(__FILE__, __LINE__, ::cef::logging::LOG_DCHECK, \
                             cef_check_result_)                              \
      .stream()

#define DCHECK_EQ(val1, val2) DCHECK_OP(EQ, ==, val1, val2)
#define DCHECK_NE(val1, val2) DCHECK_OP(NE, !=, val1, val2)
#define DCHECK_LE(val1, val2) DCHECK_OP(LE, <=, val1, val2)
#define DCHECK_LT(val1, val2) DCHECK_OP(LT, <, val1, val2)
#define DCHECK_GE(val1, val2) DCHECK_OP(GE, >=, val1, val2)
#define DCHECK_GT(val1, val2) DCHECK_OP(GT, >, val1, val2)

#define NOTREACHED() DCHECK(false)

#endif  // CEF_INCLUDE_BASE_CEF_LOGGING_H_
