#include "src/process/scheme_registrar_impl.h"

namespace cef_internal {

SchemeRegistrarImpl::SchemeRegistrarImpl() {}

bool SchemeRegistrarImpl::AddCustomScheme(const CefString& scheme_name,
                                          bool is_standard,
                                          bool is_local,
                                          bool is_display_isolated) {
  if (scheme_name.empty())
    return false;
  std::lock_guard<std::mutex> hold(lock_);
  return schemes_.insert(scheme_name).second;
}

}  // namespace cef_internal
