// Longer than the framework's other files on purpose: it is the one class
// behind CefV8Value, whose forty-odd methods each read or change the same
// stashed script value through the same safe-call helpers below; split, a
// reader would chase one object's rules across files.
#include "src/script/v8_value_impl.h"

#include <math.h>

#include <string>

#include "src/script/context_stack.h"
#include "src/script/duk_string.h"
#include "src/script/v8_context_impl.h"
#include "src/script/v8_exception_impl.h"

namespace cef_internal {

namespace {

// Duktape's internal class number of Date objects (duk_inspect_value).
constexpr int kDateClass = 6;
constexpr int kMaxArrayLength = 0x7FFFFFFF;
constexpr double kTwo32 = 4294967296.0;

// A safe call runs in its caller's value stack frame, so an operation is
// told where its arguments start.
template <typename Op>
struct OpCall {
  Op* op;
  duk_idx_t first;
};

template <typename Op>
duk_ret_t RunOp(duk_context* ctx, void* udata) {
  OpCall<Op>* call = static_cast<OpCall<Op>*>(udata);
  return (*call->op)(ctx, call->first);
}

// ECMAScript ToUint32.
uint32_t ToUint32(double number) {
  if (!isfinite(number))
    return 0;
  double truncated = trunc(number);
  double wrapped = fmod(truncated, kTwo32);
  if (wrapped < 0)
    wrapped += kTwo32;
  return static_cast<uint32_t>(wrapped);
}

bool IsIntegral(double number) {
  return isfinite(number) && trunc(number) == number;
}

bool IsDateObject(duk_context* ctx, duk_idx_t index) {
  duk_inspect_value(ctx, index);
  duk_get_prop_string(ctx, -1, "class");
  bool is_date = duk_get_int(ctx, -1) == kDateClass;
  duk_pop_2(ctx);
  return is_date;
}

V8ContextImpl* CurrentContext() {
  V8ContextImpl* context = ContextStack::Current();
  return context && context->IsValid() ? context : nullptr;
}

}  // namespace

V8ValueImpl::V8ValueImpl(Type type) : type_(type) {}

V8ValueImpl::V8ValueImpl(Type type, double number) : type_(type) {
  if (type == Type::kBool)
    bool_ = number != 0;
  else
    number_ = number;
}

V8ValueImpl::V8ValueImpl(const CefString& text)
    : type_(Type::kString), string_(text) {}

V8ValueImpl::V8ValueImpl(ScriptText text)
    : type_(Type::kString), text_(std::move(text)) {}

V8ValueImpl::V8ValueImpl(V8ContextImpl* context, uint32_t stash_id)
    : type_(Type::kObject), context_(context), stash_id_(stash_id) {}

V8ValueImpl::~V8ValueImpl() {
  if (stash_id_ && context_)
    context_->StashRemove(stash_id_);
}

CefRefPtr<V8ValueImpl> V8ValueImpl::FromStack(V8ContextImpl* context,
                                              duk_idx_t index) {
  duk_context* ctx = context->heap();
  CefRefPtr<V8ValueImpl> value;
  switch (duk_get_type(ctx, index)) {
    case DUK_TYPE_NULL:
      value = new V8ValueImpl(Type::kNull);
      break;
    case DUK_TYPE_BOOLEAN:
      value = new V8ValueImpl(Type::kBool, duk_get_boolean(ctx, index));
      break;
    case DUK_TYPE_NUMBER:
      value = new V8ValueImpl(Type::kNumber, duk_get_number(ctx, index));
      break;
    case DUK_TYPE_STRING:
      value = duk_is_symbol(ctx, index)
                  ? new V8ValueImpl(Type::kUndefined)
                  : new V8ValueImpl(GetCefString(ctx, index));
      break;
    case DUK_TYPE_OBJECT:
    case DUK_TYPE_BUFFER:
    case DUK_TYPE_LIGHTFUNC: {
      if (!context->IsValid()) {
        value = new V8ValueImpl(Type::kUndefined);
        break;
      }
      duk_dup(ctx, index);
      duk_to_object(ctx, -1);
      value = new V8ValueImpl(context, context->StashAdd(-1));
      value->flags_read_ = false;
      duk_pop(ctx);
      return value;
    }
    default:
      value = new V8ValueImpl(Type::kUndefined);
      break;
  }
  value->context_ = context;
  return value;
}

// static
CefRefPtr<V8ValueImpl> V8ValueImpl::FromCallStack(V8ContextImpl* context,
                                                  duk_idx_t index) {
  duk_context* ctx = context->heap();
  // Only a real object is safe to point at: it stays reachable from the
  // caller's frame for the whole call. Anything else is converted now.
  if (duk_get_type(ctx, index) != DUK_TYPE_OBJECT || !context->IsValid())
    return FromStack(context, index);
  CefRefPtr<V8ValueImpl> value = new V8ValueImpl(context, 0);
  value->call_object_ = duk_get_heapptr(ctx, index);
  value->flags_read_ = false;
  return value;
}

void V8ValueImpl::EndCall() {
  if (!call_object_)
    return;
  if (!HasOneRef() && context_ && context_->heap()) {
    // Kept beyond the call: it needs a stash entry from now on.
    duk_context* ctx = context_->heap();
    duk_push_heapptr(ctx, call_object_);
    stash_id_ = context_->StashAdd(-1);
    duk_pop(ctx);
  }
  call_object_ = nullptr;
}

bool V8ValueImpl::PushObject() {
  if (call_object_) {
    if (!context_->heap())
      return false;
    duk_push_heapptr(context_->heap(), call_object_);
    return true;
  }
  return context_->StashPush(stash_id_);
}

void V8ValueImpl::ReadFlags() {
  if (flags_read_ || !IsValid())
    return;
  flags_read_ = true;
  duk_context* ctx = context_->heap();
  if (!PushObject())
    return;
  is_array_ = duk_is_array(ctx, -1) != 0;
  is_function_ = duk_is_function(ctx, -1) != 0;
  is_date_ = IsDateObject(ctx, -1);
  duk_pop(ctx);
}

bool V8ValueImpl::PushTo(V8ContextImpl* context) {
  if (!IsValid() || !context->heap())
    return false;
  duk_context* ctx = context->heap();
  switch (type_) {
    case Type::kUndefined:
      duk_push_undefined(ctx);
      return true;
    case Type::kNull:
      duk_push_null(ctx);
      return true;
    case Type::kBool:
      duk_push_boolean(ctx, bool_);
      return true;
    case Type::kNumber:
      duk_push_number(ctx, number_);
      return true;
    case Type::kString:
      if (string_.empty())
        text_.Push(ctx);
      else
        PushCefString(ctx, string_);
      return true;
    case Type::kObject:
      return context_.get() == context && PushObject();
  }
  return false;
}

bool V8ValueImpl::IsLiveObject() {
  return type_ == Type::kObject && IsValid();
}

template <typename Op>
bool V8ValueImpl::CallOnObject(duk_idx_t base, duk_idx_t nargs, Op* op) {
  duk_context* ctx = context_->heap();
  V8ContextImpl::RunScope scope(context_.get());
  OpCall<Op> call = {op, base};
  if (duk_safe_call(ctx, RunOp<Op>, &call, nargs, 1) != DUK_EXEC_SUCCESS) {
    exception_ = V8ExceptionImpl::FromThrown(ctx, -1, CefString(), CefString());
    duk_set_top(ctx, base);
    return false;
  }
  return true;
}

bool V8ValueImpl::IsValid() {
  return !context_ || context_->IsValid();
}

bool V8ValueImpl::IsUndefined() {
  return type_ == Type::kUndefined;
}

bool V8ValueImpl::IsNull() {
  return type_ == Type::kNull;
}

bool V8ValueImpl::IsBool() {
  return type_ == Type::kBool;
}

bool V8ValueImpl::IsInt() {
  return type_ == Type::kNumber && IsIntegral(number_) &&
         number_ >= -2147483648.0 && number_ <= 2147483647.0;
}

bool V8ValueImpl::IsUInt() {
  return type_ == Type::kNumber && IsIntegral(number_) && number_ >= 0 &&
         number_ <= 4294967295.0;
}

bool V8ValueImpl::IsDouble() {
  return type_ == Type::kNumber;
}

bool V8ValueImpl::IsDate() {
  if (type_ != Type::kObject)
    return false;
  ReadFlags();
  return is_date_;
}

bool V8ValueImpl::IsString() {
  return type_ == Type::kString;
}

bool V8ValueImpl::IsObject() {
  return type_ == Type::kObject;
}

bool V8ValueImpl::IsArray() {
  if (type_ != Type::kObject)
    return false;
  ReadFlags();
  return is_array_;
}

bool V8ValueImpl::IsFunction() {
  if (type_ != Type::kObject)
    return false;
  ReadFlags();
  return is_function_;
}

bool V8ValueImpl::IsSame(CefRefPtr<CefV8Value> that) {
  if (!that)
    return false;
  V8ValueImpl* other = FromPublic(that.get());
  if (other == this)
    return true;
  if (other->type_ != type_ || !IsValid() || !other->IsValid())
    return false;
  switch (type_) {
    case Type::kUndefined:
    case Type::kNull:
      return true;
    case Type::kBool:
      return bool_ == other->bool_;
    case Type::kNumber:
      return number_ == other->number_;
    case Type::kString:
      return GetStringValue() == other->GetStringValue();
    case Type::kObject:
      break;
  }
  if (other->context_ != context_)
    return false;
  duk_context* ctx = context_->heap();
  duk_idx_t base = duk_get_top(ctx);
  bool same = PushObject() && other->PushObject() &&
              duk_get_heapptr(ctx, -1) == duk_get_heapptr(ctx, -2);
  duk_set_top(ctx, base);
  return same;
}

bool V8ValueImpl::GetBoolValue() {
  return type_ == Type::kBool && bool_;
}

int32_t V8ValueImpl::GetIntValue() {
  if (type_ == Type::kBool)
    return bool_ ? 1 : 0;
  return type_ == Type::kNumber ? static_cast<int32_t>(ToUint32(number_)) : 0;
}

uint32_t V8ValueImpl::GetUIntValue() {
  if (type_ == Type::kBool)
    return bool_ ? 1 : 0;
  return type_ == Type::kNumber ? ToUint32(number_) : 0;
}

double V8ValueImpl::GetDoubleValue() {
  if (type_ == Type::kBool)
    return bool_ ? 1 : 0;
  return type_ == Type::kNumber ? number_ : 0;
}

CefString V8ValueImpl::GetStringValue() {
  if (type_ != Type::kString)
    return CefString();
  return string_.empty() ? text_.ToCefString() : string_;
}

bool V8ValueImpl::HasException() {
  return exception_.get() != nullptr;
}

CefRefPtr<CefV8Exception> V8ValueImpl::GetException() {
  return exception_;
}

bool V8ValueImpl::ClearException() {
  exception_ = nullptr;
  return true;
}

template <typename Op>
bool V8ValueImpl::KeyTest(const CefString& key, Op* op) {
  if (!IsLiveObject())
    return false;
  duk_context* ctx = context_->heap();
  duk_idx_t base = duk_get_top(ctx);
  if (!PushObject())
    return false;
  PushCefString(ctx, key);
  if (!CallOnObject(base, 2, op))
    return false;
  bool result = duk_get_boolean(ctx, -1) != 0;
  duk_set_top(ctx, base);
  return result;
}

bool V8ValueImpl::HasValue(const CefString& key) {
  auto op = [](duk_context* c, duk_idx_t first) -> duk_ret_t {
    duk_push_boolean(c, duk_has_prop(c, first));
    return 1;
  };
  return KeyTest(key, &op);
}

bool V8ValueImpl::HasValue(int index) {
  if (index < 0)
    return false;
  return HasValue(CefString(std::to_string(index)));
}

bool V8ValueImpl::DeleteValue(const CefString& key) {
  auto op = [](duk_context* c, duk_idx_t first) -> duk_ret_t {
    duk_push_boolean(c, duk_del_prop(c, first));
    return 1;
  };
  return KeyTest(key, &op);
}

bool V8ValueImpl::DeleteValue(int index) {
  if (index < 0)
    return false;
  return DeleteValue(CefString(std::to_string(index)));
}

CefRefPtr<CefV8Value> V8ValueImpl::GetValue(const CefString& key) {
  if (!IsLiveObject())
    return nullptr;
  duk_context* ctx = context_->heap();
  duk_idx_t base = duk_get_top(ctx);
  if (!PushObject())
    return nullptr;
  PushCefString(ctx, key);
  auto op = [](duk_context* c, duk_idx_t first) -> duk_ret_t {
    duk_get_prop(c, first);
    return 1;
  };
  if (!CallOnObject(base, 2, &op))
    return nullptr;
  CefRefPtr<CefV8Value> result = FromStack(context_.get(), -1);
  duk_set_top(ctx, base);
  return result;
}

CefRefPtr<CefV8Value> V8ValueImpl::GetValue(int index) {
  if (index < 0)
    return nullptr;
  return GetValue(CefString(std::to_string(index)));
}

bool V8ValueImpl::SetValue(const CefString& key,
                           CefRefPtr<CefV8Value> value,
                           PropertyAttribute attribute) {
  if (!IsLiveObject() || !value)
    return false;
  duk_context* ctx = context_->heap();
  duk_idx_t base = duk_get_top(ctx);
  if (!PushObject())
    return false;
  PushCefString(ctx, key);
  if (!FromPublic(value.get())->PushTo(context_.get())) {
    duk_set_top(ctx, base);
    return false;
  }
  duk_uint_t flags = DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_HAVE_WRITABLE |
                     DUK_DEFPROP_HAVE_ENUMERABLE |
                     DUK_DEFPROP_HAVE_CONFIGURABLE;
  if (!(attribute & V8_PROPERTY_ATTRIBUTE_READONLY))
    flags |= DUK_DEFPROP_WRITABLE;
  if (!(attribute & V8_PROPERTY_ATTRIBUTE_DONTENUM))
    flags |= DUK_DEFPROP_ENUMERABLE;
  if (!(attribute & V8_PROPERTY_ATTRIBUTE_DONTDELETE))
    flags |= DUK_DEFPROP_CONFIGURABLE;
  auto op = [flags](duk_context* c, duk_idx_t first) -> duk_ret_t {
    duk_def_prop(c, first, flags);
    return 0;
  };
  bool ok = CallOnObject(base, 3, &op);
  duk_set_top(ctx, base);
  return ok;
}

bool V8ValueImpl::SetValue(int index, CefRefPtr<CefV8Value> value) {
  if (!IsLiveObject() || !value || index < 0)
    return false;
  duk_context* ctx = context_->heap();
  duk_idx_t base = duk_get_top(ctx);
  if (!PushObject())
    return false;
  if (!FromPublic(value.get())->PushTo(context_.get())) {
    duk_set_top(ctx, base);
    return false;
  }
  duk_uarridx_t position = static_cast<duk_uarridx_t>(index);
  auto op = [position](duk_context* c, duk_idx_t first) -> duk_ret_t {
    duk_put_prop_index(c, first, position);
    return 0;
  };
  bool ok = CallOnObject(base, 2, &op);
  duk_set_top(ctx, base);
  return ok;
}

bool V8ValueImpl::GetKeys(std::vector<CefString>& keys) {
  if (!IsLiveObject())
    return false;
  duk_context* ctx = context_->heap();
  duk_idx_t base = duk_get_top(ctx);
  if (!PushObject())
    return false;
  // Collected into a fresh array inside the protected call; read out after.
  auto op = [](duk_context* c, duk_idx_t first) -> duk_ret_t {
    duk_push_array(c);
    duk_enum(c, first, 0);
    duk_uarridx_t count = 0;
    while (duk_next(c, -1, 0)) {
      duk_put_prop_index(c, first + 1, count++);
    }
    duk_pop(c);
    return 1;
  };
  if (!CallOnObject(base, 1, &op))
    return false;
  duk_size_t count = duk_get_length(ctx, -1);
  for (duk_size_t i = 0; i < count; ++i) {
    duk_get_prop_index(ctx, -1, static_cast<duk_uarridx_t>(i));
    keys.push_back(GetCefString(ctx, -1));
    duk_pop(ctx);
  }
  duk_set_top(ctx, base);
  return true;
}

int V8ValueImpl::GetArrayLength() {
  if (!IsLiveObject() || !IsArray())
    return 0;
  duk_context* ctx = context_->heap();
  if (!PushObject())
    return 0;
  duk_size_t length = duk_get_length(ctx, -1);
  duk_pop(ctx);
  return length > static_cast<duk_size_t>(kMaxArrayLength)
             ? kMaxArrayLength
             : static_cast<int>(length);
}

CefString V8ValueImpl::GetFunctionName() {
  if (!IsFunction())
    return CefString();
  CefRefPtr<CefV8Value> name = GetValue(CefString("name"));
  return name ? name->GetStringValue() : CefString();
}

CefRefPtr<CefV8Handler> V8ValueImpl::GetFunctionHandler() {
  if (!IsFunction() || !IsValid())
    return nullptr;
  duk_context* ctx = context_->heap();
  if (!PushObject())
    return nullptr;
  CefString name;
  CefRefPtr<CefV8Handler> handler;
  context_->natives().Find(ctx, -1, &name, &handler);
  duk_pop(ctx);
  return handler;
}

CefRefPtr<CefV8Value> V8ValueImpl::ExecuteFunction(
    CefRefPtr<CefV8Value> object,
    const CefV8ValueList& arguments) {
  return ExecuteFunctionWithContext(context_.get(), object, arguments);
}

CefRefPtr<CefV8Value> V8ValueImpl::ExecuteFunctionWithContext(
    CefRefPtr<CefV8Context> context,
    CefRefPtr<CefV8Value> object,
    const CefV8ValueList& arguments) {
  if (!IsFunction() || !IsValid())
    return nullptr;
  // One heap per context: a function runs only in its own.
  if (context && !context->IsSame(context_.get()))
    return nullptr;
  V8ContextImpl::RunScope scope(context_.get());
  duk_context* ctx = context_->heap();
  duk_idx_t base = duk_get_top(ctx);
  if (!duk_check_stack(ctx, static_cast<duk_idx_t>(arguments.size()) + 4) ||
      !PushObject()) {
    return nullptr;
  }
  bool pushed = true;
  if (object)
    pushed = FromPublic(object.get())->PushTo(context_.get());
  else
    duk_push_global_object(ctx);
  for (size_t i = 0; pushed && i < arguments.size(); ++i) {
    if (arguments[i])
      pushed = FromPublic(arguments[i].get())->PushTo(context_.get());
    else
      duk_push_undefined(ctx);
  }
  if (!pushed) {
    duk_set_top(ctx, base);
    return nullptr;
  }
  CefRefPtr<CefV8Value> result;
  if (duk_pcall_method(ctx, static_cast<duk_idx_t>(arguments.size())) ==
      DUK_EXEC_SUCCESS) {
    result = FromStack(context_.get(), -1);
  } else {
    exception_ = V8ExceptionImpl::FromThrown(ctx, -1, CefString(), CefString());
  }
  duk_set_top(ctx, base);
  return result;
}

}  // namespace cef_internal

// Public factories: primitives need no context; objects are made in the
// current one.

CefRefPtr<CefV8Value> CefV8Value::CreateUndefined() {
  using cef_internal::V8ValueImpl;
  return new V8ValueImpl(V8ValueImpl::Type::kUndefined);
}

CefRefPtr<CefV8Value> CefV8Value::CreateNull() {
  using cef_internal::V8ValueImpl;
  return new V8ValueImpl(V8ValueImpl::Type::kNull);
}

CefRefPtr<CefV8Value> CefV8Value::CreateBool(bool value) {
  using cef_internal::V8ValueImpl;
  return new V8ValueImpl(V8ValueImpl::Type::kBool, value ? 1 : 0);
}

CefRefPtr<CefV8Value> CefV8Value::CreateInt(int32_t value) {
  using cef_internal::V8ValueImpl;
  return new V8ValueImpl(V8ValueImpl::Type::kNumber, value);
}

CefRefPtr<CefV8Value> CefV8Value::CreateUInt(uint32_t value) {
  using cef_internal::V8ValueImpl;
  return new V8ValueImpl(V8ValueImpl::Type::kNumber, value);
}

CefRefPtr<CefV8Value> CefV8Value::CreateDouble(double value) {
  using cef_internal::V8ValueImpl;
  return new V8ValueImpl(V8ValueImpl::Type::kNumber, value);
}

CefRefPtr<CefV8Value> CefV8Value::CreateString(const CefString& value) {
  using cef_internal::ScriptText;
  return new cef_internal::V8ValueImpl(ScriptText(value));
}

CefRefPtr<CefV8Value> CefV8Value::CreateObject(
    CefRefPtr<CefV8Accessor> accessor) {
  cef_internal::V8ContextImpl* context = cef_internal::CurrentContext();
  if (!context)
    return nullptr;
  duk_push_object(context->heap());
  CefRefPtr<CefV8Value> value =
      cef_internal::V8ValueImpl::FromStack(context, -1);
  duk_pop(context->heap());
  return value;
}

CefRefPtr<CefV8Value> CefV8Value::CreateArray(int length) {
  cef_internal::V8ContextImpl* context = cef_internal::CurrentContext();
  if (!context)
    return nullptr;
  duk_context* ctx = context->heap();
  duk_push_array(ctx);
  if (length > 0) {
    duk_push_int(ctx, length);
    duk_put_prop_string(ctx, -2, "length");
  }
  CefRefPtr<CefV8Value> value =
      cef_internal::V8ValueImpl::FromStack(context, -1);
  duk_pop(ctx);
  return value;
}

CefRefPtr<CefV8Value> CefV8Value::CreateFunction(
    const CefString& name,
    CefRefPtr<CefV8Handler> handler) {
  cef_internal::V8ContextImpl* context = cef_internal::CurrentContext();
  if (!context || !handler)
    return nullptr;
  duk_context* ctx = context->heap();
  context->natives().PushFunction(ctx, name, handler);
  CefRefPtr<CefV8Value> value =
      cef_internal::V8ValueImpl::FromStack(context, -1);
  duk_pop(ctx);
  return value;
}
