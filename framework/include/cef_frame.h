// A frame of a browser: the main frame or a sub-frame (iframe).
#ifndef CEF_INCLUDE_CEF_FRAME_H_
#define CEF_INCLUDE_CEF_FRAME_H_

#include "include/cef_base.h"
#include "include/cef_request.h"
#include "include/cef_string_visitor.h"

class CefBrowser;
class CefV8Context;

class CefFrame : public virtual CefBase {
 public:
  virtual bool IsValid() = 0;

  // Hands the frame's current document source to |visitor| asynchronously.
  virtual void GetSource(CefRefPtr<CefStringVisitor> visitor) = 0;
  virtual void GetText(CefRefPtr<CefStringVisitor> visitor) = 0;

  virtual void LoadRequest(CefRefPtr<CefRequest> request) = 0;
  virtual void LoadURL(const CefString& url) = 0;
  // Shows |string_val| as the document of this frame under |url|.
  virtual void LoadString(const CefString& string_val,
                          const CefString& url) = 0;
  // Runs |code| in the frame's current script context. Called on the render
  // thread, the script has run when the call returns; from the browser
  // process it travels as a message and runs when it arrives.
  virtual void ExecuteJavaScript(const CefString& code,
                                 const CefString& script_url,
                                 int start_line) = 0;

  virtual bool IsMain() = 0;
  virtual bool IsFocused() = 0;
  virtual CefString GetName() = 0;
  virtual int64 GetIdentifier() = 0;
  virtual CefRefPtr<CefFrame> GetParent() = 0;
  virtual CefString GetURL() = 0;
  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;

  // Render process only: the frame's script context.
  virtual CefRefPtr<CefV8Context> GetV8Context() = 0;
};

#endif  // CEF_INCLUDE_CEF_FRAME_H_
