// A script value. Primitives are copied out of the heap; objects stay in
// their context's heap, held through the heap stash until this value goes.
// A value whose context has been released is invalid, never dangling.
#ifndef FRAMEWORK_SRC_SCRIPT_V8_VALUE_IMPL_H_
#define FRAMEWORK_SRC_SCRIPT_V8_VALUE_IMPL_H_

#include <stdint.h>

#include <vector>

#include "duktape.h"
#include "include/cef_v8.h"
#include "src/script/script_text.h"

namespace cef_internal {

class V8ContextImpl;

class V8ValueImpl : public CefV8Value {
 public:
  enum class Type { kUndefined, kNull, kBool, kNumber, kString, kObject };

  // A context-free primitive.
  explicit V8ValueImpl(Type type);
  V8ValueImpl(Type type, double number);
  // A string read from script, kept as the application reads it.
  explicit V8ValueImpl(const CefString& text);
  // A string made by the application, kept as script reads it.
  explicit V8ValueImpl(ScriptText text);

  // The value at |index| of |context|'s heap.
  static CefRefPtr<V8ValueImpl> FromStack(V8ContextImpl* context,
                                          duk_idx_t index);
  // For a native call's receiver and arguments: an object is only pointed
  // at while the call runs, not stashed. The caller must End() it before
  // the call returns; it is stashed then only when something kept it.
  static CefRefPtr<V8ValueImpl> FromCallStack(V8ContextImpl* context,
                                              duk_idx_t index);
  void EndCall();
  static V8ValueImpl* FromPublic(CefV8Value* value) {
    return static_cast<V8ValueImpl*>(value);
  }

  // Pushes this value onto |context|'s heap. False, with nothing pushed,
  // when the value is invalid or an object of another context.
  bool PushTo(V8ContextImpl* context);

  // CefV8Value:
  bool IsValid() override;
  bool IsUndefined() override;
  bool IsNull() override;
  bool IsBool() override;
  bool IsInt() override;
  bool IsUInt() override;
  bool IsDouble() override;
  bool IsDate() override;
  bool IsString() override;
  bool IsObject() override;
  bool IsArray() override;
  bool IsFunction() override;
  bool IsSame(CefRefPtr<CefV8Value> that) override;
  bool GetBoolValue() override;
  int32_t GetIntValue() override;
  uint32_t GetUIntValue() override;
  double GetDoubleValue() override;
  CefString GetStringValue() override;
  bool HasException() override;
  CefRefPtr<CefV8Exception> GetException() override;
  bool ClearException() override;
  bool HasValue(const CefString& key) override;
  bool HasValue(int index) override;
  bool DeleteValue(const CefString& key) override;
  bool DeleteValue(int index) override;
  CefRefPtr<CefV8Value> GetValue(const CefString& key) override;
  CefRefPtr<CefV8Value> GetValue(int index) override;
  bool SetValue(const CefString& key,
                CefRefPtr<CefV8Value> value,
                PropertyAttribute attribute) override;
  bool SetValue(int index, CefRefPtr<CefV8Value> value) override;
  bool GetKeys(std::vector<CefString>& keys) override;
  int GetArrayLength() override;
  CefString GetFunctionName() override;
  CefRefPtr<CefV8Handler> GetFunctionHandler() override;
  CefRefPtr<CefV8Value> ExecuteFunction(
      CefRefPtr<CefV8Value> object,
      const CefV8ValueList& arguments) override;
  CefRefPtr<CefV8Value> ExecuteFunctionWithContext(
      CefRefPtr<CefV8Context> context,
      CefRefPtr<CefV8Value> object,
      const CefV8ValueList& arguments) override;

 private:
  V8ValueImpl(V8ContextImpl* context, uint32_t stash_id);
  ~V8ValueImpl() override;

  bool IsLiveObject();
  // Pushes the object onto its context's stack; false when it is gone.
  bool PushObject();
  // Array, function and date flags, read from the object on first use.
  void ReadFlags();
  // Runs |op| with this object pushed below its |nargs| already pushed
  // arguments: [object, args...] -> one result left on the stack. Records a
  // thrown error as this value's exception. Returns false then, with the
  // stack restored to |base|.
  template <typename Op>
  bool CallOnObject(duk_idx_t base, duk_idx_t nargs, Op* op);
  // Runs |op| on [object, key] and returns the boolean it leaves.
  template <typename Op>
  bool KeyTest(const CefString& key, Op* op);

  Type type_;
  bool bool_ = false;
  double number_ = 0;
  // A string is kept in the form its reader needs: each is converted once,
  // where it is used. One of the two is empty.
  CefString string_;
  ScriptText text_;
  bool flags_read_ = true;
  bool is_array_ = false;
  bool is_function_ = false;
  bool is_date_ = false;
  // Set while a native call that sees this object runs (see FromCallStack).
  void* call_object_ = nullptr;
  CefRefPtr<V8ContextImpl> context_;
  uint32_t stash_id_ = 0;
  CefRefPtr<CefV8Exception> exception_;

  IMPLEMENT_REFCOUNTING(V8ValueImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_V8_VALUE_IMPL_H_
