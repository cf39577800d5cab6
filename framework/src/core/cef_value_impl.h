// CefValue: a slot holding one node. Setting a value replaces the slot's node;
// getting a list, dictionary or binary gives a live view of it.
#ifndef FRAMEWORK_SRC_CORE_CEF_VALUE_IMPL_H_
#define FRAMEWORK_SRC_CORE_CEF_VALUE_IMPL_H_

#include "include/cef_values.h"
#include "src/core/value_node.h"

namespace cef_internal {

class CefValueImpl : public CefValue {
 public:
  // |owned|: |node| is the child of another value.
  CefValueImpl(NodePtr node, bool owned, bool read_only);

  // Wraps a node without copying it (a root, such as a parse result).
  static CefRefPtr<CefValue> Wrap(NodePtr node);
  // What a container's GetValue gives: a view of a list, dictionary or
  // binary child, a copy of any other.
  static CefRefPtr<CefValue> FromChild(const NodePtr& child, bool read_only);
  // The node behind |value|, or null when |value| is null or invalid.
  static NodePtr NodeOf(CefValue* value);
  // The framework reads an integer as a double too.
  static double DoubleOf(const ValueNode& node);

  // CefValue:
  bool IsValid() override;
  bool IsOwned() override;
  bool IsReadOnly() override;
  bool IsSame(CefRefPtr<CefValue> that) override;
  bool IsEqual(CefRefPtr<CefValue> that) override;
  CefRefPtr<CefValue> Copy() override;
  CefValueType GetType() override;
  bool GetBool() override;
  int GetInt() override;
  double GetDouble() override;
  CefString GetString() override;
  CefRefPtr<CefBinaryValue> GetBinary() override;
  CefRefPtr<CefDictionaryValue> GetDictionary() override;
  CefRefPtr<CefListValue> GetList() override;
  bool SetNull() override;
  bool SetBool(bool value) override;
  bool SetInt(int value) override;
  bool SetDouble(double value) override;
  bool SetString(const CefString& value) override;
  bool SetBinary(CefRefPtr<CefBinaryValue> value) override;
  bool SetDictionary(CefRefPtr<CefDictionaryValue> value) override;
  bool SetList(CefRefPtr<CefListValue> value) override;

 private:
  bool Replace(NodePtr node);

  NodePtr node_;
  bool owned_;
  const bool read_only_;

  IMPLEMENT_REFCOUNTING(CefValueImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_CEF_VALUE_IMPL_H_
