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
// script run then would. KXHelper's cache hook is taken (and removed from
// the page's sight) now, before the page runs too.
std::string DispatcherSource() {
  return std::string(
             "(function(parse){"
             "var take=typeof KXHelper==='object'&&KXHelper!==null?"
             "KXHelper.TakeCacheHook:undefined;"
             "if(take!==undefined)delete KXHelper.TakeCacheHook;"
             "return [function(detail){"
             "if(typeof KXHelper==='undefined'||"
             "typeof CustomEvent!=='function')return;"
             "window.dispatchEvent(new CustomEvent('") +
         kCacheChangeEventName +
         "',{detail:parse(detail)}));},"
         "typeof take==='function'?take():null];})(JSON.parse)";
}

}  // namespace

void CacheChangeNotifier::AddContext(CefRefPtr<CefV8Context> context) {
  if (!context)
    return;
  CefRefPtr<CefV8Value> made;
  CefRefPtr<CefV8Exception> exception;
  // Only a context out of memory fails here; it then hears of no change.
  if (!context->Eval(DispatcherSource(), made, exception) || !made ||
      !made->IsArray())
    return;
  CefRefPtr<CefV8Value> dispatcher = made->GetValue(0);
  CefRefPtr<CefV8Value> forget = made->GetValue(1);
  if (!dispatcher || !dispatcher->IsFunction())
    return;
  if (forget && !forget->IsFunction())
    forget = nullptr;
  pages_.push_back(Page{context, dispatcher, forget});
}

void CacheChangeNotifier::RemoveContext(CefRefPtr<CefV8Context> context) {
  pages_.erase(std::remove_if(pages_.begin(), pages_.end(),
                              [&](const Page& known) {
                                return !context ||
                                       known.context->IsSame(context);
                              }),
               pages_.end());
}

void CacheChangeNotifier::OptionsChanged() {
  if (!pages_.empty())
    Tell(CefV8ValueList(1, CefV8Value::CreateInt(0)));
}

void CacheChangeNotifier::VoiceAdded(int list,
                                     const std::wstring& quoted,
                                     unsigned long long appended,
                                     size_t size) {
  if (pages_.empty())
    return;
  Tell({CefV8Value::CreateInt(list), CefV8Value::CreateString(quoted),
        CefV8Value::CreateDouble(static_cast<double>(appended)),
        CefV8Value::CreateInt(static_cast<int>(size))});
}

void CacheChangeNotifier::Tell(const CefV8ValueList& arguments) {
  for (const Page& page : pages_) {
    if (page.forget && page.context->IsValid())
      page.forget->ExecuteFunctionWithContext(page.context, nullptr, arguments);
  }
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
