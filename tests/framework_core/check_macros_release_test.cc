// The same header as a release build of the product sees it (NDEBUG, no
// DCHECK_ALWAYS_ON): DCHECKs compile their operands and never evaluate them,
// DLOG writes nothing, CHECK still ends the process.
#ifdef DCHECK_ALWAYS_ON
#undef DCHECK_ALWAYS_ON
#endif
#ifndef NDEBUG
#define NDEBUG
#endif
#include "include/base/cef_logging.h"

#include "gtest/gtest.h"

namespace {

TEST(ReleaseCheckMacros, DchecksAreOffAndEvaluateNothing) {
  EXPECT_EQ(DCHECK_IS_ON, 0);
  int calls = 0;
  auto next = [&calls] { return ++calls; };
  DCHECK(next() == 5);
  DCHECK_EQ(next(), 5);
  NOTREACHED();
  DLOG(ERROR) << next();
  EXPECT_EQ(calls, 0);
}

TEST(ReleaseCheckMacrosDeathTest, CheckStillEndsTheProcess) {
  EXPECT_DEATH(CHECK_NE(2, 2), "Check failed: 2 != 2 \\(2 vs. 2\\)");
}

}  // namespace
