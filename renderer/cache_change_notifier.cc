#include "renderer/cache_change_notifier.h"

#include <algorithm>
#include <string>

#include "include/cef_parser.h"

const char kCacheChangeEventName[] = "kxhelperchange";
const char kOptionsChanged[] = "options";
const char kVoiceAdded[] = "voice";
const char kVoicesSynced[] = "synced";

namespace {

// Compiled once per context: running a script text per change would parse
// and compile it every time. JSON.parse is taken before the page runs;
// KXHelper, CustomEvent and dispatchEvent are looked up at each change, as a
// script run then would.
std::string DispatcherSource() {
  return std::string(
             "(function(parse){return function(detail){"
             "if(typeof KXHelper==='undefined'||"
             "typeof CustomEvent!=='function')return;"
             "window.dispatchEvent(new CustomEvent('") +
         kCacheChangeEventName + "',{detail:parse(detail)}));};})(JSON.parse)";
}

}  // namespace

void CacheChangeNotifier::AddContext(CefRefPtr<CefV8Context> context) {
  if (!context)
    return;
  CefRefPtr<CefV8Value> dispatcher;
  CefRefPtr<CefV8Exception> exception;
  // Only a context out of memory fails here; it then hears of no change.
  if (!context->Eval(DispatcherSource(), dispatcher, exception) ||
      !dispatcher || !dispatcher->IsFunction())
    return;
  pages_.push_back(Page{context, dispatcher});
}

void CacheChangeNotifier::RemoveContext(CefRefPtr<CefV8Context> context) {
  pages_.erase(std::remove_if(pages_.begin(), pages_.end(),
                              [&](const Page& known) {
                                return !context ||
                                       known.context->IsSame(context);
                              }),
               pages_.end());
}

void CacheChangeNotifier::Notify(CefRefPtr<CefDictionaryValue> detail) {
  if (pages_.empty() || !detail)
    return;
  CefRefPtr<CefValue> value = CefValue::Create();
  value->SetDictionary(detail);
  CefV8ValueList arguments(
      1, CefV8Value::CreateString(CefWriteJSON(value, JSON_WRITER_DEFAULT)));
  // A copy: running page script may release contexts.
  const std::vector<Page> pages = pages_;
  for (const Page& page : pages) {
    if (!page.context->IsValid())
      continue;
    page.dispatcher->ExecuteFunctionWithContext(page.context, nullptr,
                                                arguments);
    // Nothing in a page reaches here but a dispatch the page itself broke:
    // it must not hold back the next change.
    if (page.dispatcher->HasException())
      page.dispatcher->ClearException();
  }
}
