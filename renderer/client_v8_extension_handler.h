// The native side of KXHelper's functions. All but SetUserOptions answer
// from the renderer cache at once; SetUserOptions forwards the page's options
// to the browser process.
#ifndef RENDERER_CLIENT_V8_EXTENSION_HANDLER_H_
#define RENDERER_CLIENT_V8_EXTENSION_HANDLER_H_

#include "app/simple_app.h"
#include "include/cef_v8.h"

class ClientV8ExtensionHandler : public CefV8Handler {
 public:
  explicit ClientV8ExtensionHandler(CefRefPtr<SimpleApp> app);

  // CefV8Handler. Returns false (the page gets undefined) for an unknown
  // name, a wrong argument count or type; gives the page false when memory
  // runs out; never sets |exception|.
  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override;

 private:
  bool Dispatch(const CefString& name,
                const CefV8ValueList& arguments,
                CefRefPtr<CefV8Value>& retval);
  CefRefPtr<CefV8Value> GetUserOptions();
  bool SetUserOptions(CefRefPtr<CefV8Value> text,
                      CefRefPtr<CefV8Value>& retval);
  bool GetFilteredVoices(CefRefPtr<CefV8Value> kind,
                         CefRefPtr<CefV8Value>& retval);
  // For the script side of GetFilteredVoices, of list |kind| (1 or 2):
  // "APPENDED SIZE LENGTH...:TEXTS", where TEXTS are the kept texts appended
  // at |sequence| or later, quoted and joined as in the list's JSON, and
  // each LENGTH is one quoted text's.
  bool GetVoicesSince(CefRefPtr<CefV8Value> kind,
                      CefRefPtr<CefV8Value> sequence,
                      CefRefPtr<CefV8Value>& retval);

  CefRefPtr<SimpleApp> app_;

  IMPLEMENT_REFCOUNTING(ClientV8ExtensionHandler);
};

#endif  // RENDERER_CLIENT_V8_EXTENSION_HANDLER_H_
