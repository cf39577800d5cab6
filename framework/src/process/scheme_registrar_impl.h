// Collects the custom schemes an application registers. The stand-in has no
// scheme handlers, so navigations to them still fail as unknown schemes.
#ifndef FRAMEWORK_SRC_PROCESS_SCHEME_REGISTRAR_IMPL_H_
#define FRAMEWORK_SRC_PROCESS_SCHEME_REGISTRAR_IMPL_H_

#include <mutex>
#include <set>

#include "include/cef_scheme.h"

namespace cef_internal {

class SchemeRegistrarImpl : public CefSchemeRegistrar {
 public:
  SchemeRegistrarImpl();

  // False for an empty name or one registered before.
  bool AddCustomScheme(const CefString& scheme_name,
                       bool is_standard,
                       bool is_local,
                       bool is_display_isolated) override;

 private:
  std::mutex lock_;
  std::set<CefString> schemes_;

  IMPLEMENT_REFCOUNTING(SchemeRegistrarImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_PROCESS_SCHEME_REGISTRAR_IMPL_H_
