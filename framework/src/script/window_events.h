// The event model of a page's window, shaped as in Chromium 45: the Event and
// CustomEvent constructors, window.addEventListener / removeEventListener /
// dispatchEvent, and window.onload as an event handler attribute, so that the
// load event reaches both the attribute and every listener.
//
// As there: listeners of one type run in the order they were added (at the
// target, capturing and bubbling listeners alike); adding a listener already
// there does nothing; a listener added during a dispatch waits for the next
// one, a removed one is skipped; a listener that throws is reported as an
// uncaught error and the others still run; setting window.onload again moves
// the handler behind the listeners added since; dispatchEvent returns false
// once a cancelable event was cancelled. There is no other target than
// window: no DOM, so no capture or bubble path.
#ifndef FRAMEWORK_SRC_SCRIPT_WINDOW_EVENTS_H_
#define FRAMEWORK_SRC_SCRIPT_WINDOW_EVENTS_H_

#include "duktape.h"

namespace cef_internal {

class V8ContextImpl;

class WindowEvents {
 public:
  // Installs the event model on the global object of |ctx|, whose context is
  // |context|. Run before any page or extension script.
  static void Install(duk_context* ctx);

  // Fires a trusted event of |type| (neither bubbling nor cancelable) at
  // window, as the browser does for "load". Listener errors go to the
  // console.
  static void DispatchTrusted(V8ContextImpl* context, const char* type);

 private:
  static duk_ret_t Report(duk_context* ctx);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_WINDOW_EVENTS_H_
