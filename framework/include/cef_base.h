// The reference-counted base of every framework interface.
#ifndef CEF_INCLUDE_CEF_BASE_H_
#define CEF_INCLUDE_CEF_BASE_H_

#include <windows.h>

#include "include/internal/cef_ptr.h"
#include "include/internal/cef_string.h"
#include "include/internal/cef_types.h"

// Every interface derives (virtually) from this class. Implementations keep one
// thread-safe count, usually through IMPLEMENT_REFCOUNTING.
class CefBase {
 public:
  // Called to increment the reference count for the object. Should be called
  // for every new copy of a pointer to a given object.
  virtual void AddRef() const = 0;

  // Called to decrement the reference count for the object. Returns true if
  // the reference count is 0, in which case the object has deleted itself.
  virtual bool Release() const = 0;

  // Returns true if the reference count is 1.
  virtual bool HasOneRef() const = 0;

 protected:
  virtual ~CefBase() {}
};

// Thread-safe reference count for implementers: Interlocked operations only.
class CefRefCount {
 public:
  CefRefCount() : ref_count_(0) {}
  CefRefCount(const CefRefCount&) = delete;
  CefRefCount& operator=(const CefRefCount&) = delete;

  void AddRef() const { InterlockedIncrement(&ref_count_); }
  // Returns true when the count has dropped to zero.
  bool Release() const { return InterlockedDecrement(&ref_count_) == 0; }
  bool HasOneRef() const {
    return InterlockedCompareExchange(&ref_count_, 0, 0) == 1;
  }

 private:
  mutable volatile LONG ref_count_;
};

// Implements AddRef, Release and HasOneRef for |ClassName|: one count per
// object, destroyed when it reaches zero.
#define IMPLEMENT_REFCOUNTING(ClassName)                      \
 public:                                                      \
  void AddRef() const override { ref_count_.AddRef(); }       \
  bool Release() const override {                             \
    if (ref_count_.Release()) {                               \
      delete static_cast<const ClassName*>(this);             \
      return true;                                            \
    }                                                         \
    return false;                                             \
  }                                                           \
  bool HasOneRef() const override { return ref_count_.HasOneRef(); } \
                                                              \
 private:                                                     \
  CefRefCount ref_count_

// Kept for source compatibility; the framework's objects lock themselves.
#define IMPLEMENT_LOCKING(ClassName)

#endif  // CEF_INCLUDE_CEF_BASE_H_
