// Holds a critical section for the life of a scope, so that a return or an
// exception (std::bad_alloc while a guarded container grows) can never leave
// it entered.
#ifndef FRAMEWORK_SRC_CORE_AUTO_LOCK_H_
#define FRAMEWORK_SRC_CORE_AUTO_LOCK_H_

#include <windows.h>

namespace cef_internal {

class AutoLock {
 public:
  explicit AutoLock(CRITICAL_SECTION* section) : section_(section) {
    EnterCriticalSection(section_);
  }
  ~AutoLock() { LeaveCriticalSection(section_); }
  AutoLock(const AutoLock&) = delete;
  AutoLock& operator=(const AutoLock&) = delete;

 private:
  CRITICAL_SECTION* const section_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_AUTO_LOCK_H_
