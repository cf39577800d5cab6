// The CHECK and DCHECK family of include/base/cef_logging.h, in the suite's
// build (DCHECK_ALWAYS_ON): a failed check ends the process with a line that
// says what failed; a check that holds evaluates its operands once.
#include "include/base/cef_logging.h"

#include "gtest/gtest.h"

namespace {

TEST(CheckMacrosDeathTest, AFailedCheckNamesItsCondition) {
  const int limit = 3;
  EXPECT_DEATH(CHECK(limit > 5) << "more",
               "FATAL.*Check failed: limit > 5. more");
}

TEST(CheckMacrosDeathTest, AFailedComparisonShowsBothValues) {
  const int expected = 1;
  EXPECT_DEATH(CHECK_EQ(expected, 2),
               "Check failed: expected == 2 \\(1 vs. 2\\)");
  EXPECT_DEATH(DCHECK_LT(4, expected),
               "Check failed: 4 < expected \\(4 vs. 1\\)");
}

TEST(CheckMacrosDeathTest, DchecksAreOnInTheSuitesBuild) {
  EXPECT_EQ(DCHECK_IS_ON, 1);
  EXPECT_DEATH(DCHECK(false), "Check failed: false");
  EXPECT_DEATH(NOTREACHED(), "Check failed: false");
}

TEST(CheckMacros, ChecksThatHoldEvaluateEachOperandOnce) {
  int calls = 0;
  auto next = [&calls] { return ++calls; };
  CHECK(next() == 1);
  CHECK_EQ(next(), 2);
  DCHECK(next() == 3);
  DCHECK_GE(next(), 4);
  EXPECT_EQ(calls, 4);
}

TEST(CheckMacros, AnElseAfterAComparisonBelongsToTheOuterIf) {
  bool took_else = false;
  if (false)
    CHECK_EQ(1, 1);
  else
    took_else = true;
  EXPECT_TRUE(took_else);
}

}  // namespace
