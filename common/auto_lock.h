// Holds a critical section for the life of a scope: the system's locks
// (g_cache_lock, g_store_lock, the store's lock_) are Win32 critical
// sections, and a return or an exception thrown while one is held must
// never leave it entered.
#ifndef COMMON_AUTO_LOCK_H_
#define COMMON_AUTO_LOCK_H_

#include <windows.h>

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

#endif  // COMMON_AUTO_LOCK_H_
