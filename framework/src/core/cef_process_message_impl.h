// CefProcessMessage: a name and an argument list owned by the message.
#ifndef FRAMEWORK_SRC_CORE_CEF_PROCESS_MESSAGE_IMPL_H_
#define FRAMEWORK_SRC_CORE_CEF_PROCESS_MESSAGE_IMPL_H_

#include "include/cef_process_message.h"

namespace cef_internal {

class CefProcessMessageImpl : public CefProcessMessage {
 public:
  // Takes |arguments| as the message's own list (no copy).
  CefProcessMessageImpl(const CefString& name,
                        CefRefPtr<CefListValue> arguments);

  // CefProcessMessage:
  bool IsValid() override;
  bool IsReadOnly() override;
  CefRefPtr<CefProcessMessage> Copy() override;
  CefString GetName() override;
  CefRefPtr<CefListValue> GetArgumentList() override;

 private:
  const CefString name_;
  const CefRefPtr<CefListValue> arguments_;

  IMPLEMENT_REFCOUNTING(CefProcessMessageImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_CEF_PROCESS_MESSAGE_IMPL_H_
