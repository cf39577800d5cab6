// The test run, unless the framework or a test started this executable as
// one of its children.
#include "gtest/gtest.h"
#include "tests/framework_process/child_modes.h"

int main(int argc, char** argv) {
  int child_exit_code = process_test::RunAsChild();
  if (child_exit_code != -1)
    return child_exit_code;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
