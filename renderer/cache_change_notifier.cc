#include "renderer/cache_change_notifier.h"

#include <algorithm>

#include "include/cef_frame.h"
#include "include/cef_parser.h"

const char kCacheChangeEventName[] = "kxhelperchange";
const char kOptionsChanged[] = "options";
const char kVoiceAdded[] = "voice";
const char kVoicesSynced[] = "synced";

void CacheChangeNotifier::AddContext(CefRefPtr<CefV8Context> context) {
  if (context)
    contexts_.push_back(context);
}

void CacheChangeNotifier::RemoveContext(CefRefPtr<CefV8Context> context) {
  contexts_.erase(std::remove_if(contexts_.begin(), contexts_.end(),
                                 [&](const CefRefPtr<CefV8Context>& known) {
                                   return !context || known->IsSame(context);
                                 }),
                  contexts_.end());
}

void CacheChangeNotifier::Notify(CefRefPtr<CefDictionaryValue> detail) {
  if (contexts_.empty() || !detail)
    return;
  CefRefPtr<CefValue> value = CefValue::Create();
  value->SetDictionary(detail);
  const std::string script =
      EventScript(CefWriteJSON(value, JSON_WRITER_DEFAULT).ToString());
  // A copy: running page script may release contexts.
  const std::vector<CefRefPtr<CefV8Context>> contexts = contexts_;
  for (const CefRefPtr<CefV8Context>& context : contexts) {
    if (!context->IsValid())
      continue;
    CefRefPtr<CefFrame> frame = context->GetFrame();
    if (frame)
      frame->ExecuteJavaScript(script, CefString(), 0);
  }
}

// static
std::string CacheChangeNotifier::EventScript(const std::string& detail_json) {
  // The detail holds only fixed words and numbers, so its JSON text is a
  // valid script literal.
  return std::string(
             "(function(){if(typeof KXHelper==='undefined'||"
             "typeof CustomEvent!=='function')return;"
             "window.dispatchEvent(new CustomEvent('") +
         kCacheChangeEventName + "',{detail:" + detail_json + "}));})();";
}
