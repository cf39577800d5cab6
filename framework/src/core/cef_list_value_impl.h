// CefListValue as a view of a list node.
#ifndef FRAMEWORK_SRC_CORE_CEF_LIST_VALUE_IMPL_H_
#define FRAMEWORK_SRC_CORE_CEF_LIST_VALUE_IMPL_H_

#include "include/cef_values.h"
#include "src/core/value_node.h"

namespace cef_internal {

class CefListValueImpl : public CefListValue {
 public:
  // |owned|: |node| is the child of another value.
  CefListValueImpl(NodePtr node, bool owned, bool read_only);

  // The node behind |value|, or null when |value| is null or invalid.
  static NodePtr NodeOf(CefListValue* value);

  // CefListValue:
  bool IsValid() override;
  bool IsOwned() override;
  bool IsReadOnly() override;
  bool IsSame(CefRefPtr<CefListValue> that) override;
  bool IsEqual(CefRefPtr<CefListValue> that) override;
  CefRefPtr<CefListValue> Copy() override;
  bool SetSize(size_t size) override;
  size_t GetSize() override;
  bool Clear() override;
  bool Remove(size_t index) override;
  CefValueType GetType(size_t index) override;
  CefRefPtr<CefValue> GetValue(size_t index) override;
  bool GetBool(size_t index) override;
  int GetInt(size_t index) override;
  double GetDouble(size_t index) override;
  CefString GetString(size_t index) override;
  CefRefPtr<CefBinaryValue> GetBinary(size_t index) override;
  CefRefPtr<CefDictionaryValue> GetDictionary(size_t index) override;
  CefRefPtr<CefListValue> GetList(size_t index) override;
  bool SetValue(size_t index, CefRefPtr<CefValue> value) override;
  bool SetNull(size_t index) override;
  bool SetBool(size_t index, bool value) override;
  bool SetInt(size_t index, int value) override;
  bool SetDouble(size_t index, double value) override;
  bool SetString(size_t index, const CefString& value) override;
  bool SetBinary(size_t index, CefRefPtr<CefBinaryValue> value) override;
  bool SetDictionary(size_t index,
                     CefRefPtr<CefDictionaryValue> value) override;
  bool SetList(size_t index, CefRefPtr<CefListValue> value) override;

 private:
  bool Writable() const { return node_->valid && !read_only_; }
  // Null when out of range or invalid.
  NodePtr Child(size_t index) const;
  // Pads with nulls up to |index|; a replaced child is invalidated.
  bool SetChild(size_t index, NodePtr child);

  NodePtr node_;
  const bool owned_;
  const bool read_only_;

  IMPLEMENT_REFCOUNTING(CefListValueImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_CEF_LIST_VALUE_IMPL_H_
