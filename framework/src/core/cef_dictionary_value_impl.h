// CefDictionaryValue as a view of a dictionary node.
#ifndef FRAMEWORK_SRC_CORE_CEF_DICTIONARY_VALUE_IMPL_H_
#define FRAMEWORK_SRC_CORE_CEF_DICTIONARY_VALUE_IMPL_H_

#include <string>

#include "include/cef_values.h"
#include "src/core/value_node.h"

namespace cef_internal {

class CefDictionaryValueImpl : public CefDictionaryValue {
 public:
  // |owned|: |node| is the child of another value.
  CefDictionaryValueImpl(NodePtr node, bool owned, bool read_only);

  // The node behind |value|, or null when |value| is null or invalid.
  static NodePtr NodeOf(CefDictionaryValue* value);

  // CefDictionaryValue:
  bool IsValid() override;
  bool IsOwned() override;
  bool IsReadOnly() override;
  bool IsSame(CefRefPtr<CefDictionaryValue> that) override;
  bool IsEqual(CefRefPtr<CefDictionaryValue> that) override;
  CefRefPtr<CefDictionaryValue> Copy(bool exclude_empty_children) override;
  size_t GetSize() override;
  bool Clear() override;
  bool HasKey(const CefString& key) override;
  bool GetKeys(KeyList& keys) override;
  bool Remove(const CefString& key) override;
  CefValueType GetType(const CefString& key) override;
  CefRefPtr<CefValue> GetValue(const CefString& key) override;
  bool GetBool(const CefString& key) override;
  int GetInt(const CefString& key) override;
  double GetDouble(const CefString& key) override;
  CefString GetString(const CefString& key) override;
  CefRefPtr<CefBinaryValue> GetBinary(const CefString& key) override;
  CefRefPtr<CefDictionaryValue> GetDictionary(const CefString& key) override;
  CefRefPtr<CefListValue> GetList(const CefString& key) override;
  bool SetValue(const CefString& key, CefRefPtr<CefValue> value) override;
  bool SetNull(const CefString& key) override;
  bool SetBool(const CefString& key, bool value) override;
  bool SetInt(const CefString& key, int value) override;
  bool SetDouble(const CefString& key, double value) override;
  bool SetString(const CefString& key, const CefString& value) override;
  bool SetBinary(const CefString& key,
                 CefRefPtr<CefBinaryValue> value) override;
  bool SetDictionary(const CefString& key,
                     CefRefPtr<CefDictionaryValue> value) override;
  bool SetList(const CefString& key, CefRefPtr<CefListValue> value) override;

 private:
  bool Writable() const { return node_->valid && !read_only_; }
  // Null when missing or invalid.
  NodePtr Child(const CefString& key) const;
  // A replaced child is invalidated.
  bool SetChild(const CefString& key, NodePtr child);

  NodePtr node_;
  const bool owned_;
  const bool read_only_;

  IMPLEMENT_REFCOUNTING(CefDictionaryValueImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_CEF_DICTIONARY_VALUE_IMPL_H_
