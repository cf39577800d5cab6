// A script exception as the page would see it reported.
#ifndef FRAMEWORK_SRC_SCRIPT_V8_EXCEPTION_IMPL_H_
#define FRAMEWORK_SRC_SCRIPT_V8_EXCEPTION_IMPL_H_

#include "duktape.h"
#include "include/cef_v8.h"

namespace cef_internal {

class V8ExceptionImpl : public CefV8Exception {
 public:
  V8ExceptionImpl(const CefString& message,
                  const CefString& source_line,
                  const CefString& resource_name,
                  int line);

  // Describes the thrown value at |index| like a browser console does
  // ("Uncaught TypeError: ..."). |source| is the script text, used for the
  // source line; |resource_name| is used when the error names no file.
  static CefRefPtr<V8ExceptionImpl> FromThrown(duk_context* ctx,
                                               duk_idx_t index,
                                               const CefString& source,
                                               const CefString& resource_name);

  // CefV8Exception:
  CefString GetMessage() override;
  CefString GetSourceLine() override;
  CefString GetScriptResourceName() override;
  int GetLineNumber() override;

 private:
  CefString message_;
  CefString source_line_;
  CefString resource_name_;
  int line_;

  IMPLEMENT_REFCOUNTING(V8ExceptionImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_V8_EXCEPTION_IMPL_H_
