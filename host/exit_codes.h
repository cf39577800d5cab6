// kxhost's exit codes. They come from BSD's sysexits.h, a range that nothing
// else ends a Windows process with: not the C runtime's abort() (3), not a
// crash (an exception code such as 0xC0000005), not the 0 of a clean run.
#ifndef HOST_EXIT_CODES_H_
#define HOST_EXIT_CODES_H_

// The run ended as planned: the page closed itself, every browser closed, or
// the time limit passed.
constexpr int kCompletedExitCode = 0;
// The command line was wrong (EX_USAGE).
constexpr int kUsageExitCode = 64;
// The render process program beside kxhost.exe cannot start, or the
// framework failed to launch the page's render process a second time
// (EX_UNAVAILABLE).
constexpr int kProgramCannotStartExitCode = 69;
// Something nothing caught ended the run: an exception on any thread, or
// abort() (EX_SOFTWARE).
constexpr int kUnexpectedTerminationExitCode = 70;
// A page's render process crashed, or the main page's was killed after it
// had loaded (EX_PROTOCOL). Killed before it loaded is how the framework
// reports a failed launch: the page gets one reload.
constexpr int kRenderProcessEndedExitCode = 76;
// kxhost could not set itself up: the record pipe or file, its reader, a
// run-time file the framework cannot start without, or the framework's
// start (EX_OSERR).
constexpr int kSetUpFailedExitCode = 71;

#endif  // HOST_EXIT_CODES_H_
