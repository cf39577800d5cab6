// An unplanned end of kxhost never passes for a planned one: an exception
// that nothing catches (on any thread) and abort() print one line,
// "error: unexpected termination (WHAT)", on standard error and end the
// process with kUnexpectedTerminationExitCode.
#ifndef HOST_UNEXPECTED_TERMINATION_H_
#define HOST_UNEXPECTED_TERMINATION_H_

// Sets the terminate handler and the SIGABRT handler. Call first thing.
void InstallUnexpectedTerminationHandlers();

// Prints the line, naming |what|, and ends the process at once, whatever
// other threads are doing. Any thread; the first caller's line wins.
[[noreturn]] void EndUnexpectedly(const char* what);

#endif  // HOST_UNEXPECTED_TERMINATION_H_
