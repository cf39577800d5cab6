// What a script context hands to the render side that owns it: console
// output and the window requests a page can make: pop-ups, closing and
// navigating its frame.
#ifndef FRAMEWORK_SRC_SCRIPT_SCRIPT_DELEGATE_H_
#define FRAMEWORK_SRC_SCRIPT_SCRIPT_DELEGATE_H_

#include "include/internal/cef_string.h"
#include "include/internal/cef_types.h"

namespace cef_internal {

class V8ContextImpl;

class ScriptDelegate {
 public:
  // console.* calls and uncaught errors ("Uncaught Error: ...").
  virtual void OnConsoleMessage(V8ContextImpl* context,
                                cef_log_severity_t level,
                                const CefString& message,
                                const CefString& source,
                                int line) = 0;
  // window.open(url, name); |url| is as the page wrote it.
  virtual void OnOpenWindow(V8ContextImpl* context,
                            const CefString& url,
                            const CefString& name) = 0;
  // window.close().
  virtual void OnCloseWindow(V8ContextImpl* context) = 0;
  // location.href = url, location.assign/replace(url), location.reload()
  // (the document's own address); |url| is as the page wrote it.
  virtual void OnNavigate(V8ContextImpl* context, const CefString& url) = 0;

 protected:
  virtual ~ScriptDelegate() {}
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_SCRIPT_DELEGATE_H_
