#include "src/core/cef_request_context_impl.h"

// static
CefRefPtr<CefRequestContext> CefRequestContext::GetGlobalContext() {
  // Never released: the global context lives as long as the process.
  static CefRequestContext* const g_global_context = [] {
    CefRequestContext* context = new cef_internal::CefRequestContextImpl();
    context->AddRef();
    return context;
  }();
  return g_global_context;
}

namespace cef_internal {

bool CefRequestContextImpl::IsGlobal() {
  return true;
}

}  // namespace cef_internal
