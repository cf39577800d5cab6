#include "src/script/page_globals.h"

#include <string>

#include "src/script/duk_string.h"
#include "src/script/script_delegate.h"
#include "src/script/v8_context_impl.h"

namespace cef_internal {

namespace {

struct ConsoleMethod {
  const char* name;
  cef_log_severity_t level;
};

constexpr ConsoleMethod kConsoleMethods[] = {
    {"log", LOGSEVERITY_INFO},      {"info", LOGSEVERITY_INFO},
    {"debug", LOGSEVERITY_VERBOSE}, {"warn", LOGSEVERITY_WARNING},
    {"error", LOGSEVERITY_ERROR},
};

constexpr double kMaxDelayMs = 2147483647.0;
// Heap stash key of document.readyState's value.
const char kReadyStateKey[] = "kxReadyState";
// Heap stash key of the location object.
const char kLocationKey[] = "kxLocation";

void DefineHidden(duk_context* ctx,
                  const char* name,
                  duk_c_function fn,
                  duk_idx_t nargs) {
  duk_push_string(ctx, name);
  duk_push_c_function(ctx, fn, nargs);
  duk_def_prop(ctx, -3,
               DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_SET_WRITABLE |
                   DUK_DEFPROP_CLEAR_ENUMERABLE | DUK_DEFPROP_SET_CONFIGURABLE);
}

// C++ halves of the functions below: they run after every script operation
// that could throw, and return before the C function does.

void EmitConsole(duk_context* ctx,
                 cef_log_severity_t level,
                 duk_idx_t count,
                 duk_idx_t file_index,
                 int line) {
  V8ContextImpl* context = V8ContextImpl::FromDuk(ctx);
  if (!context->delegate())
    return;
  std::wstring message;
  for (duk_idx_t i = 0; i < count; ++i) {
    if (i > 0)
      message.push_back(L' ');
    message += GetCefString(ctx, i).ToWString();
  }
  context->delegate()->OnConsoleMessage(context, level, CefString(message),
                                        GetCefString(ctx, file_index), line);
}

int AddTimer(duk_context* ctx, double delay) {
  return V8ContextImpl::FromDuk(ctx)->timers().Add(ctx, delay);
}

void RemoveTimer(duk_context* ctx, int id) {
  V8ContextImpl::FromDuk(ctx)->timers().Remove(id);
}

void EmitOpen(duk_context* ctx) {
  V8ContextImpl* context = V8ContextImpl::FromDuk(ctx);
  if (context->delegate()) {
    context->delegate()->OnOpenWindow(context, GetCefString(ctx, 0),
                                      GetCefString(ctx, 1));
  }
}

void PushDocumentUrl(duk_context* ctx) {
  CefRefPtr<CefFrame> frame = V8ContextImpl::FromDuk(ctx)->GetFrame();
  const CefString url = frame ? frame->GetURL() : CefString();
  frame = nullptr;
  PushCefString(ctx, url);
}

// The string at |index| is the address as the page wrote it.
void EmitNavigate(duk_context* ctx, duk_idx_t index) {
  V8ContextImpl* context = V8ContextImpl::FromDuk(ctx);
  if (context->delegate())
    context->delegate()->OnNavigate(context, GetCefString(ctx, index));
}

void EmitClose(duk_context* ctx) {
  V8ContextImpl* context = V8ContextImpl::FromDuk(ctx);
  if (context->delegate())
    context->delegate()->OnCloseWindow(context);
}

}  // namespace

void PageGlobals::Install(duk_context* ctx) {
  duk_push_global_object(ctx);

  duk_push_string(ctx, "window");
  duk_push_global_object(ctx);
  duk_def_prop(ctx, -3,
               DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_CLEAR_WRITABLE |
                   DUK_DEFPROP_SET_ENUMERABLE | DUK_DEFPROP_CLEAR_CONFIGURABLE);

  duk_push_object(ctx);
  for (const ConsoleMethod& method : kConsoleMethods) {
    duk_push_c_function(ctx, Console, DUK_VARARGS);
    duk_set_magic(ctx, -1, method.level);
    duk_put_prop_string(ctx, -2, method.name);
  }
  duk_put_prop_string(ctx, -2, "console");

  // document.readyState, read-only as in a browser.
  duk_push_string(ctx, "document");
  duk_push_object(ctx);
  duk_push_string(ctx, "readyState");
  duk_push_c_function(ctx, ReadyState, 0);
  duk_def_prop(ctx, -3,
               DUK_DEFPROP_HAVE_GETTER | DUK_DEFPROP_SET_ENUMERABLE |
                   DUK_DEFPROP_CLEAR_CONFIGURABLE);
  duk_def_prop(ctx, -3,
               DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_CLEAR_WRITABLE |
                   DUK_DEFPROP_SET_ENUMERABLE | DUK_DEFPROP_CLEAR_CONFIGURABLE);
  SetReadyState(ctx, "loading");

  InstallLocation(ctx);

  DefineHidden(ctx, "setTimeout", SetTimeout, DUK_VARARGS);
  DefineHidden(ctx, "clearTimeout", ClearTimeout, 1);
  DefineHidden(ctx, "open", Open, 2);
  DefineHidden(ctx, "close", Close, 0);
  duk_pop(ctx);
}

void PageGlobals::SetReadyState(duk_context* ctx, const char* state) {
  duk_push_heap_stash(ctx);
  duk_push_string(ctx, state);
  duk_put_prop_string(ctx, -2, kReadyStateKey);
  duk_pop(ctx);
}

duk_ret_t PageGlobals::ReadyState(duk_context* ctx) {
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, kReadyStateKey);
  return 1;
}

// The global object is at -1. window.location is an accessor, as in a
// browser: reading it gives the one location object, assigning it
// navigates.
void PageGlobals::InstallLocation(duk_context* ctx) {
  duk_push_heap_stash(ctx);
  duk_push_object(ctx);
  duk_push_string(ctx, "href");
  duk_push_c_function(ctx, LocationHref, 0);
  duk_push_c_function(ctx, LocationAssign, 1);
  duk_def_prop(ctx, -4,
               DUK_DEFPROP_HAVE_GETTER | DUK_DEFPROP_HAVE_SETTER |
                   DUK_DEFPROP_SET_ENUMERABLE | DUK_DEFPROP_CLEAR_CONFIGURABLE);
  DefineHidden(ctx, "assign", LocationAssign, 1);
  DefineHidden(ctx, "replace", LocationAssign, 1);
  DefineHidden(ctx, "reload", LocationReload, 0);
  DefineHidden(ctx, "toString", LocationHref, 0);
  duk_put_prop_string(ctx, -2, kLocationKey);
  duk_pop(ctx);

  duk_push_string(ctx, "location");
  duk_push_c_function(ctx, LocationObject, 0);
  duk_push_c_function(ctx, LocationAssign, 1);
  duk_def_prop(ctx, -4,
               DUK_DEFPROP_HAVE_GETTER | DUK_DEFPROP_HAVE_SETTER |
                   DUK_DEFPROP_SET_ENUMERABLE | DUK_DEFPROP_CLEAR_CONFIGURABLE);
}

duk_ret_t PageGlobals::LocationObject(duk_context* ctx) {
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, kLocationKey);
  return 1;
}

duk_ret_t PageGlobals::LocationHref(duk_context* ctx) {
  PushDocumentUrl(ctx);
  return 1;
}

duk_ret_t PageGlobals::LocationAssign(duk_context* ctx) {
  // What the page gave, as text: a throwing toString throws to the page
  // before anything is sent.
  duk_to_string(ctx, 0);
  EmitNavigate(ctx, 0);
  return 0;
}

duk_ret_t PageGlobals::LocationReload(duk_context* ctx) {
  PushDocumentUrl(ctx);
  EmitNavigate(ctx, -1);
  return 0;
}

duk_ret_t PageGlobals::Console(duk_context* ctx) {
  cef_log_severity_t level =
      static_cast<cef_log_severity_t>(duk_get_current_magic(ctx));
  duk_idx_t count = duk_get_top(ctx);
  for (duk_idx_t i = 0; i < count; ++i)
    duk_safe_to_string(ctx, i);
  // The calling script's place: the entry below this C function.
  int line = 0;
  duk_inspect_callstack_entry(ctx, -2);
  if (duk_is_object(ctx, -1)) {
    duk_get_prop_string(ctx, -1, "lineNumber");
    line = duk_get_int(ctx, -1);
    duk_pop(ctx);
    duk_get_prop_string(ctx, -1, "function");
    duk_get_prop_string(ctx, -1, "fileName");
    duk_remove(ctx, -2);
  } else {
    duk_push_undefined(ctx);
  }
  EmitConsole(ctx, level, count, duk_get_top(ctx) - 1, line);
  return 0;
}

duk_ret_t PageGlobals::SetTimeout(duk_context* ctx) {
  duk_idx_t count = duk_get_top(ctx);
  if (count == 0 || !(duk_is_function(ctx, 0) || duk_is_string(ctx, 0))) {
    duk_push_int(ctx, 0);
    return 1;
  }
  double delay = count > 1 ? duk_to_number(ctx, 1) : 0;
  if (!(delay > 0))
    delay = 0;
  if (delay > kMaxDelayMs)
    delay = kMaxDelayMs;
  duk_push_array(ctx);
  duk_dup(ctx, 0);
  duk_put_prop_index(ctx, -2, 0);
  for (duk_idx_t i = 2; i < count; ++i) {
    duk_dup(ctx, i);
    duk_put_prop_index(ctx, -2, static_cast<duk_uarridx_t>(i - 1));
  }
  duk_push_int(ctx, AddTimer(ctx, delay));
  return 1;
}

duk_ret_t PageGlobals::ClearTimeout(duk_context* ctx) {
  if (duk_is_number(ctx, 0)) {
    double id = duk_get_number(ctx, 0);
    if (id >= 1 && id <= 2147483647.0)
      RemoveTimer(ctx, static_cast<int>(id));
  }
  return 0;
}

duk_ret_t PageGlobals::Open(duk_context* ctx) {
  for (duk_idx_t i = 0; i < 2; ++i) {
    if (duk_is_undefined(ctx, i))
      duk_push_string(ctx, "");
    else
      duk_dup(ctx, i);
    duk_to_string(ctx, -1);
    duk_replace(ctx, i);
  }
  EmitOpen(ctx);
  duk_push_null(ctx);
  return 1;
}

duk_ret_t PageGlobals::Close(duk_context* ctx) {
  EmitClose(ctx);
  return 0;
}

}  // namespace cef_internal
