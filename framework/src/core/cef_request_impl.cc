#include "src/core/cef_request_impl.h"

// static
CefRefPtr<CefRequest> CefRequest::Create() {
  return new cef_internal::CefRequestImpl();
}

namespace cef_internal {

CefRequestImpl::CefRequestImpl() : method_("GET") {}

void CefRequestImpl::SetReadOnly(bool read_only) {
  read_only_ = read_only;
}

bool CefRequestImpl::IsReadOnly() {
  return read_only_;
}

CefString CefRequestImpl::GetURL() {
  return url_;
}

void CefRequestImpl::SetURL(const CefString& url) {
  if (!read_only_)
    url_ = url;
}

CefString CefRequestImpl::GetMethod() {
  return method_;
}

void CefRequestImpl::SetMethod(const CefString& method) {
  if (!read_only_)
    method_ = method;
}

}  // namespace cef_internal
