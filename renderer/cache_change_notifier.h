// Tells the pages of this render process that the renderer cache changed: a
// "kxhelperchange" event on each page's window, its detail saying what
// changed, so that no page has to poll KXHelper.
//
// The event is dispatched by a small page function that each context gets
// once, when it is added, and that every change calls with its detail: the
// page gets the event after the cache holds the change, and a listener that
// throws only affects itself (the window's dispatch reports it and goes on).
#ifndef RENDERER_CACHE_CHANGE_NOTIFIER_H_
#define RENDERER_CACHE_CHANGE_NOTIFIER_H_

#include <string>
#include <vector>

#include "include/cef_v8.h"
#include "include/cef_values.h"

// The event's name, and the values of its detail's "change" field.
extern const char kCacheChangeEventName[];
extern const char kOptionsChanged[];  // {"change": "options"}
// {"change": "voice", "list": 1 (normal) or 2 (horn), "count": N}
extern const char kVoiceAdded[];
// {"change": "synced", "count": N}: every voice text the browser held when
// this render process asked for them has arrived.
extern const char kVoicesSynced[];

class CacheChangeNotifier {
 public:
  // Render main thread, from OnContextCreated / OnContextReleased. A context
  // is added before its page's own script runs, so the page cannot change
  // how its dispatcher reads a detail.
  void AddContext(CefRefPtr<CefV8Context> context);
  void RemoveContext(CefRefPtr<CefV8Context> context);

  // Dispatches the event with |detail| in every context still valid, in the
  // order they were created. Pages without KXHelper get nothing.
  void Notify(CefRefPtr<CefDictionaryValue> detail);
  // Tell every page's KXHelper of a change before any event, so that
  // listeners read the new text: the option text changed, or list |list|
  // (1 or 2) got |quoted| (its new text as the list's JSON holds it), now
  // |appended| texts ever and |size| kept.
  void OptionsChanged();
  void VoiceAdded(int list,
                  const std::wstring& quoted,
                  unsigned long long appended,
                  size_t size);

  size_t context_count() const { return pages_.size(); }

 private:
  struct Page {
    CefRefPtr<CefV8Context> context;
    // Takes the detail's JSON text and fires the event.
    CefRefPtr<CefV8Value> dispatcher;
    // Tells the context's KXHelper of a change (see OptionsChanged and
    // VoiceAdded); null when its KXHelper had none to give (it then asks
    // the cache at every read).
    CefRefPtr<CefV8Value> forget;
  };

  void Tell(const CefV8ValueList& arguments);

  std::vector<Page> pages_;
};

#endif  // RENDERER_CACHE_CHANGE_NOTIFIER_H_
