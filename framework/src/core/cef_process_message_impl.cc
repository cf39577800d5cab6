#include "src/core/cef_process_message_impl.h"

// static
CefRefPtr<CefProcessMessage> CefProcessMessage::Create(const CefString& name) {
  // As in the framework, a message needs a name.
  if (name.empty())
    return nullptr;
  return new cef_internal::CefProcessMessageImpl(name, CefListValue::Create());
}

namespace cef_internal {

CefProcessMessageImpl::CefProcessMessageImpl(const CefString& name,
                                             CefRefPtr<CefListValue> arguments)
    : name_(name), arguments_(arguments ? arguments : CefListValue::Create()) {}

bool CefProcessMessageImpl::IsValid() {
  return true;
}

bool CefProcessMessageImpl::IsReadOnly() {
  return false;
}

CefRefPtr<CefProcessMessage> CefProcessMessageImpl::Copy() {
  return new CefProcessMessageImpl(name_, arguments_->Copy());
}

CefString CefProcessMessageImpl::GetName() {
  return name_;
}

CefRefPtr<CefListValue> CefProcessMessageImpl::GetArgumentList() {
  return arguments_;
}

}  // namespace cef_internal
