// CefRequest: a URL and a method. The framework hands handlers read-only
// requests; SetReadOnly() is for that.
#ifndef FRAMEWORK_SRC_CORE_CEF_REQUEST_IMPL_H_
#define FRAMEWORK_SRC_CORE_CEF_REQUEST_IMPL_H_

#include "include/cef_request.h"

namespace cef_internal {

class CefRequestImpl : public CefRequest {
 public:
  CefRequestImpl();

  // Later SetURL/SetMethod calls are ignored.
  void SetReadOnly(bool read_only);

  // CefRequest:
  bool IsReadOnly() override;
  CefString GetURL() override;
  void SetURL(const CefString& url) override;
  CefString GetMethod() override;
  void SetMethod(const CefString& method) override;

 private:
  CefString url_;
  CefString method_;
  bool read_only_ = false;

  IMPLEMENT_REFCOUNTING(CefRequestImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_CEF_REQUEST_IMPL_H_
