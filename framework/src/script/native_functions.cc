#include "src/script/native_functions.h"

#include <string>

#include "src/script/duk_string.h"
#include "src/script/native_function_rewriter.h"
#include "src/script/v8_context_impl.h"
#include "src/script/v8_value_impl.h"

namespace cef_internal {

namespace {

constexpr char kIdKey[] = DUK_HIDDEN_SYMBOL("nativeFunctionId");
// More arguments than any declaration takes; bounds a page's tricks with
// arguments.length.
constexpr duk_uarridx_t kMaxArguments = 1024;
constexpr char kHandlerFailed[] = "Native handler failed";

enum class Outcome { kUndefined, kValue, kThrow };

// Everything C++ of one call. Returns before the caller throws into the
// script, so all of its objects are destroyed first.
Outcome InvokeUnguarded(duk_context* ctx,
                        const CefString& name,
                        CefRefPtr<CefV8Handler> handler,
                        duk_idx_t this_index,
                        duk_idx_t first_arg,
                        duk_idx_t arg_count) {
  V8ContextImpl* context = V8ContextImpl::FromDuk(ctx);
  V8ContextImpl::RunScope scope(context);
  CefRefPtr<V8ValueImpl> object =
      V8ValueImpl::FromCallStack(context, this_index);
  CefV8ValueList arguments;
  arguments.reserve(arg_count);
  for (duk_idx_t i = 0; i < arg_count; ++i)
    arguments.push_back(V8ValueImpl::FromCallStack(context, first_arg + i));
  // Objects the handler kept get their own hold on the heap before the
  // call's frame goes away.
  struct EndCall {
    V8ValueImpl* object;
    CefV8ValueList* arguments;
    ~EndCall() {
      object->EndCall();
      for (CefRefPtr<CefV8Value>& argument : *arguments)
        V8ValueImpl::FromPublic(argument.get())->EndCall();
    }
  } end_call = {object.get(), &arguments};
  CefRefPtr<CefV8Value> retval;
  CefString exception;
  bool handled = false;
  try {
    handled =
        handler->Execute(name, object.get(), arguments, retval, exception);
  } catch (...) {
    handled = true;
    exception = kHandlerFailed;
  }
  if (!handled)
    return Outcome::kUndefined;
  if (!exception.empty()) {
    std::string text = ToCesu8(exception);
    duk_push_error_object(ctx, DUK_ERR_ERROR, "%s", text.c_str());
    return Outcome::kThrow;
  }
  if (retval && V8ValueImpl::FromPublic(retval.get())->PushTo(context))
    return Outcome::kValue;
  return Outcome::kUndefined;
}

// A page can hand over more than this process can convert (a string of
// hundreds of megabytes): running out of memory gives the script undefined,
// and no C++ exception ever unwinds through the script engine.
Outcome Invoke(duk_context* ctx,
               const CefString& name,
               CefRefPtr<CefV8Handler> handler,
               duk_idx_t this_index,
               duk_idx_t first_arg,
               duk_idx_t arg_count) {
  try {
    return InvokeUnguarded(ctx, name, handler, this_index, first_arg,
                           arg_count);
  } catch (...) {
    return Outcome::kUndefined;
  }
}

duk_ret_t Finish(duk_context* ctx, Outcome outcome) {
  if (outcome == Outcome::kThrow)
    return duk_throw(ctx);
  return outcome == Outcome::kValue ? 1 : 0;
}

Outcome InvokeFunction(duk_context* ctx) {
  duk_idx_t arg_count = duk_get_top(ctx);
  // Bounds a page's apply() with a huge array, as the dispatcher does.
  if (arg_count > static_cast<duk_idx_t>(kMaxArguments))
    arg_count = static_cast<duk_idx_t>(kMaxArguments);
  V8ContextImpl* context = V8ContextImpl::FromDuk(ctx);
  duk_push_current_function(ctx);
  const CefString* name = nullptr;
  CefRefPtr<CefV8Handler> handler;
  bool found = context->natives().Find(ctx, -1, &name, &handler);
  duk_pop(ctx);
  if (!found)
    return Outcome::kUndefined;
  duk_push_this(ctx);
  if (duk_is_null_or_undefined(ctx, -1)) {
    // Native functions are strict; the page expects a sloppy receiver.
    duk_pop(ctx);
    duk_push_global_object(ctx);
  }
  duk_idx_t this_index = duk_get_top(ctx) - 1;
  return Invoke(ctx, *name, handler, this_index, 0, arg_count);
}

// Stack: [extension index, name, this, arguments, copied arguments...].
Outcome InvokeExtension(duk_context* ctx, duk_idx_t arg_count) {
  V8ContextImpl* context = V8ContextImpl::FromDuk(ctx);
  const std::vector<ScriptExtension>& extensions = context->extensions();
  double index = duk_get_number(ctx, 0);
  if (!(index >= 0 && index < static_cast<double>(extensions.size())))
    return Outcome::kUndefined;
  const ScriptExtension& extension = extensions[static_cast<size_t>(index)];
  if (!extension.handler)
    return Outcome::kUndefined;
  // The declared names are converted once, at registration.
  duk_size_t length = 0;
  const char* name = duk_get_lstring(ctx, 1, &length);
  for (size_t i = 0; name && i < extension.function_names.size(); ++i) {
    const std::string& declared = extension.function_names[i];
    if (declared.size() == length && declared.compare(0, length, name) == 0)
      return Invoke(ctx, extension.functions[i], extension.handler, 2, 4,
                    arg_count);
  }
  return Invoke(ctx, GetCefString(ctx, 1), extension.handler, 2, 4, arg_count);
}

}  // namespace

NativeFunctions::NativeFunctions() {}

NativeFunctions::~NativeFunctions() {}

void NativeFunctions::PushFunction(duk_context* ctx,
                                   const CefString& name,
                                   CefRefPtr<CefV8Handler> handler) {
  uint32_t id = next_id_++;
  entries_[id] = Entry{name, handler};
  duk_push_c_function(ctx, CallFunction, DUK_VARARGS);
  duk_push_uint(ctx, id);
  duk_put_prop_string(ctx, -2, kIdKey);
  duk_push_string(ctx, "name");
  PushCefString(ctx, name);
  duk_def_prop(ctx, -3, DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_FORCE);
}

const NativeFunctions::Entry* NativeFunctions::FindEntry(duk_context* ctx,
                                                         duk_idx_t index) {
  if (!duk_is_function(ctx, index) || duk_is_lightfunc(ctx, index))
    return nullptr;
  duk_get_prop_string(ctx, index, kIdKey);
  bool known = duk_is_number(ctx, -1) != 0;
  uint32_t id = known ? duk_get_uint(ctx, -1) : 0;
  duk_pop(ctx);
  auto it = entries_.find(id);
  return it == entries_.end() ? nullptr : &it->second;
}

bool NativeFunctions::Find(duk_context* ctx,
                           duk_idx_t index,
                           CefString* name,
                           CefRefPtr<CefV8Handler>* handler) {
  const Entry* entry = FindEntry(ctx, index);
  if (!entry)
    return false;
  *name = entry->name;
  *handler = entry->handler;
  return true;
}

bool NativeFunctions::Find(duk_context* ctx,
                           duk_idx_t index,
                           const CefString** name,
                           CefRefPtr<CefV8Handler>* handler) {
  const Entry* entry = FindEntry(ctx, index);
  if (!entry)
    return false;
  *name = &entry->name;
  *handler = entry->handler;
  return true;
}

void NativeFunctions::InstallDispatcher(
    duk_context* ctx,
    const std::vector<ScriptExtension>& extensions) {
  const duk_uint_t fixed = DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_HAVE_WRITABLE |
                           DUK_DEFPROP_HAVE_ENUMERABLE |
                           DUK_DEFPROP_HAVE_CONFIGURABLE;
  duk_push_global_object(ctx);
  duk_push_string(ctx, kNativeDispatcherName);
  duk_push_c_function(ctx, CallDispatcher, 4);
  duk_def_prop(ctx, -3, fixed);
  duk_push_string(ctx, kNativeTableName);
  duk_push_array(ctx);
  for (size_t i = 0; i < extensions.size(); ++i) {
    const ScriptExtension& extension = extensions[i];
    duk_push_array(ctx);
    for (size_t k = 0; k < extension.functions.size(); ++k) {
      PushFunction(ctx, extension.functions[k], extension.handler);
      duk_put_prop_index(ctx, -2, static_cast<duk_uarridx_t>(k));
    }
    duk_freeze(ctx, -1);
    duk_put_prop_index(ctx, -2, static_cast<duk_uarridx_t>(i));
  }
  duk_freeze(ctx, -1);
  duk_def_prop(ctx, -3, fixed);
  duk_pop(ctx);
}

void NativeFunctions::Clear() {
  // Moved out first: a handler's destructor may call back into script.
  std::map<uint32_t, Entry> entries;
  entries.swap(entries_);
}

duk_ret_t NativeFunctions::CallFunction(duk_context* ctx) {
  return Finish(ctx, InvokeFunction(ctx));
}

duk_ret_t NativeFunctions::CallDispatcher(duk_context* ctx) {
  // Plain script operations first: an error they throw reaches the page
  // while no C++ object is alive here.
  duk_uarridx_t count = 0;
  if (duk_is_object(ctx, 3)) {
    duk_get_prop_string(ctx, 3, "length");
    double length = duk_to_number(ctx, -1);
    duk_pop(ctx);
    if (length > 0)
      count = length > kMaxArguments ? kMaxArguments
                                     : static_cast<duk_uarridx_t>(length);
  }
  duk_require_stack(ctx, static_cast<duk_idx_t>(count));
  for (duk_uarridx_t i = 0; i < count; ++i)
    duk_get_prop_index(ctx, 3, i);
  return Finish(ctx, InvokeExtension(ctx, static_cast<duk_idx_t>(count)));
}

}  // namespace cef_internal
