#include "common/auto_lock.h"

#include <future>
#include <new>

#include "gtest/gtest.h"

namespace {

// Another thread's view: a critical section is re-entrant on its owner.
bool FreeForAnotherThread(CRITICAL_SECTION* section) {
  return std::async(std::launch::async,
                    [section] {
                      if (!TryEnterCriticalSection(section))
                        return false;
                      LeaveCriticalSection(section);
                      return true;
                    })
      .get();
}

class AutoLockTest : public ::testing::Test {
 protected:
  AutoLockTest() { InitializeCriticalSection(&section_); }
  ~AutoLockTest() override { DeleteCriticalSection(&section_); }
  CRITICAL_SECTION section_;
};

TEST_F(AutoLockTest, HoldsTheSectionForItsScopeOnly) {
  {
    AutoLock hold(&section_);
    EXPECT_FALSE(FreeForAnotherThread(&section_));
  }
  EXPECT_TRUE(FreeForAnotherThread(&section_));
}

TEST_F(AutoLockTest, AnExceptionThrownWhileHeldLeavesTheSectionFree) {
  EXPECT_THROW(
      {
        AutoLock hold(&section_);
        throw std::bad_alloc();
      },
      std::bad_alloc);
  EXPECT_TRUE(FreeForAnotherThread(&section_));
}

}  // namespace
