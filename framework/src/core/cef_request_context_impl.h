// The one request context of the stand-in: the global one.
#ifndef FRAMEWORK_SRC_CORE_CEF_REQUEST_CONTEXT_IMPL_H_
#define FRAMEWORK_SRC_CORE_CEF_REQUEST_CONTEXT_IMPL_H_

#include "include/cef_request_context.h"

namespace cef_internal {

class CefRequestContextImpl : public CefRequestContext {
 public:
  CefRequestContextImpl() {}

  // CefRequestContext:
  bool IsGlobal() override;

 private:
  IMPLEMENT_REFCOUNTING(CefRequestContextImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_CEF_REQUEST_CONTEXT_IMPL_H_
