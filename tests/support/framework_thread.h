// Unit tests of the system call its framework callbacks themselves, as the
// framework would on its UI thread (and, in one process, its render main
// thread). Including this makes the test program's main thread that thread
// before the first test, so that the callbacks' CEF_REQUIRE_*_THREAD()
// checks hold for such calls and fail for calls from any other thread.
#ifndef TESTS_SUPPORT_FRAMEWORK_THREAD_H_
#define TESTS_SUPPORT_FRAMEWORK_THREAD_H_

#include "gtest/gtest.h"
#include "src/core/message_loop.h"

class TestThreadIsFrameworkThread : public ::testing::Environment {
 public:
  void SetUp() override {
    cef_internal::MessageLoop::SetMain(cef_internal::MessageLoop::Current());
  }
};

inline ::testing::Environment* const g_test_thread_is_framework_thread =
    ::testing::AddGlobalTestEnvironment(new TestThreadIsFrameworkThread);

#endif  // TESTS_SUPPORT_FRAMEWORK_THREAD_H_
