// What this executable does when it is not the test run itself: a render
// process (through CefExecuteProcess), a render side played by hand that
// writes garbage, or a browser process that dies under its render process.
#ifndef TESTS_FRAMEWORK_PROCESS_CHILD_MODES_H_
#define TESTS_FRAMEWORK_PROCESS_CHILD_MODES_H_

namespace process_test {

// The exit code of the child this process is, or -1 for the test run.
int RunAsChild();

}  // namespace process_test

#endif  // TESTS_FRAMEWORK_PROCESS_CHILD_MODES_H_
