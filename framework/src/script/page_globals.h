// The globals every page context has: window (the global object itself),
// console.log/info/warn/error/debug, setTimeout/clearTimeout, window.open
// and window.close, location (href, assign, replace, reload), and a
// document whose only member is readyState ("loading" until the page's
// scripts have run, "interactive" until just before the load event, then
// "complete"). console, open, close and navigations go to the context's
// ScriptDelegate. Events, window.onload among them: WindowEvents.
#ifndef FRAMEWORK_SRC_SCRIPT_PAGE_GLOBALS_H_
#define FRAMEWORK_SRC_SCRIPT_PAGE_GLOBALS_H_

#include "duktape.h"

namespace cef_internal {

class PageGlobals {
 public:
  static void Install(duk_context* ctx);
  // |state| is "interactive" or "complete".
  static void SetReadyState(duk_context* ctx, const char* state);

 private:
  static duk_ret_t Console(duk_context* ctx);
  static duk_ret_t SetTimeout(duk_context* ctx);
  static duk_ret_t ClearTimeout(duk_context* ctx);
  static duk_ret_t Open(duk_context* ctx);
  static duk_ret_t Close(duk_context* ctx);
  static duk_ret_t ReadyState(duk_context* ctx);
  static void InstallLocation(duk_context* ctx);
  static duk_ret_t LocationObject(duk_context* ctx);
  static duk_ret_t LocationHref(duk_context* ctx);
  static duk_ret_t LocationAssign(duk_context* ctx);
  static duk_ret_t LocationReload(duk_context* ctx);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_PAGE_GLOBALS_H_
