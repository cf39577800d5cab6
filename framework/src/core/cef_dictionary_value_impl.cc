#include "src/core/cef_dictionary_value_impl.h"

#include "src/core/cef_binary_value_impl.h"
#include "src/core/cef_list_value_impl.h"
#include "src/core/cef_value_impl.h"

// static
CefRefPtr<CefDictionaryValue> CefDictionaryValue::Create() {
  return new cef_internal::CefDictionaryValueImpl(
      cef_internal::ValueNode::NewDict(), false, false);
}

namespace cef_internal {

CefDictionaryValueImpl::CefDictionaryValueImpl(NodePtr node,
                                               bool owned,
                                               bool read_only)
    : node_(std::move(node)), owned_(owned), read_only_(read_only) {}

// static
NodePtr CefDictionaryValueImpl::NodeOf(CefDictionaryValue* value) {
  CefDictionaryValueImpl* impl = dynamic_cast<CefDictionaryValueImpl*>(value);
  if (!impl || !impl->node_->valid)
    return nullptr;
  return impl->node_;
}

bool CefDictionaryValueImpl::IsValid() {
  return node_->valid;
}

bool CefDictionaryValueImpl::IsOwned() {
  return owned_;
}

bool CefDictionaryValueImpl::IsReadOnly() {
  return read_only_;
}

bool CefDictionaryValueImpl::IsSame(CefRefPtr<CefDictionaryValue> that) {
  NodePtr other = NodeOf(that.get());
  return other && other == NodeOf(this);
}

bool CefDictionaryValueImpl::IsEqual(CefRefPtr<CefDictionaryValue> that) {
  NodePtr other = NodeOf(that.get());
  return other && node_->valid && node_->Equals(*other);
}

CefRefPtr<CefDictionaryValue> CefDictionaryValueImpl::Copy(
    bool exclude_empty_children) {
  if (!node_->valid)
    return nullptr;
  NodePtr copy = exclude_empty_children ? node_->DeepCopyWithoutEmptyChildren()
                                        : node_->DeepCopy();
  return new CefDictionaryValueImpl(copy, false, false);
}

size_t CefDictionaryValueImpl::GetSize() {
  return node_->valid ? node_->dict.size() : 0;
}

bool CefDictionaryValueImpl::Clear() {
  if (!Writable())
    return false;
  for (const auto& entry : node_->dict)
    entry.second->Invalidate();
  node_->dict.clear();
  return true;
}

bool CefDictionaryValueImpl::HasKey(const CefString& key) {
  return Child(key) != nullptr;
}

bool CefDictionaryValueImpl::GetKeys(KeyList& keys) {
  if (!node_->valid)
    return false;
  for (const auto& entry : node_->dict)
    keys.push_back(CefString(entry.first));
  return true;
}

bool CefDictionaryValueImpl::Remove(const CefString& key) {
  if (!Writable())
    return false;
  auto it = node_->dict.find(key.ToString());
  if (it == node_->dict.end())
    return false;
  it->second->Invalidate();
  node_->dict.erase(it);
  return true;
}

NodePtr CefDictionaryValueImpl::Child(const CefString& key) const {
  if (!node_->valid)
    return nullptr;
  auto it = node_->dict.find(key.ToString());
  return it == node_->dict.end() ? nullptr : it->second;
}

bool CefDictionaryValueImpl::SetChild(const CefString& key, NodePtr child) {
  if (!Writable() || !child)
    return false;
  NodePtr& slot = node_->dict[key.ToString()];
  if (slot)
    slot->Invalidate();
  slot = std::move(child);
  return true;
}

CefValueType CefDictionaryValueImpl::GetType(const CefString& key) {
  NodePtr child = Child(key);
  return child ? child->type : VTYPE_INVALID;
}

CefRefPtr<CefValue> CefDictionaryValueImpl::GetValue(const CefString& key) {
  NodePtr child = Child(key);
  return child ? CefValueImpl::FromChild(child, read_only_) : nullptr;
}

bool CefDictionaryValueImpl::GetBool(const CefString& key) {
  NodePtr child = Child(key);
  return child && child->type == VTYPE_BOOL && child->bool_value;
}

int CefDictionaryValueImpl::GetInt(const CefString& key) {
  NodePtr child = Child(key);
  return child && child->type == VTYPE_INT ? child->int_value : 0;
}

double CefDictionaryValueImpl::GetDouble(const CefString& key) {
  NodePtr child = Child(key);
  return child ? CefValueImpl::DoubleOf(*child) : 0;
}

CefString CefDictionaryValueImpl::GetString(const CefString& key) {
  NodePtr child = Child(key);
  if (!child || child->type != VTYPE_STRING)
    return CefString();
  return CefString(child->string_value);
}

CefRefPtr<CefBinaryValue> CefDictionaryValueImpl::GetBinary(
    const CefString& key) {
  NodePtr child = Child(key);
  if (!child || child->type != VTYPE_BINARY)
    return nullptr;
  return new CefBinaryValueImpl(child, true);
}

CefRefPtr<CefDictionaryValue> CefDictionaryValueImpl::GetDictionary(
    const CefString& key) {
  NodePtr child = Child(key);
  if (!child || child->type != VTYPE_DICTIONARY)
    return nullptr;
  return new CefDictionaryValueImpl(child, true, read_only_);
}

CefRefPtr<CefListValue> CefDictionaryValueImpl::GetList(const CefString& key) {
  NodePtr child = Child(key);
  if (!child || child->type != VTYPE_LIST)
    return nullptr;
  return new CefListValueImpl(child, true, read_only_);
}

bool CefDictionaryValueImpl::SetValue(const CefString& key,
                                      CefRefPtr<CefValue> value) {
  NodePtr source = CefValueImpl::NodeOf(value.get());
  return source && SetChild(key, source->DeepCopy());
}

bool CefDictionaryValueImpl::SetNull(const CefString& key) {
  return SetChild(key, ValueNode::Null());
}

bool CefDictionaryValueImpl::SetBool(const CefString& key, bool value) {
  return SetChild(key, ValueNode::Bool(value));
}

bool CefDictionaryValueImpl::SetInt(const CefString& key, int value) {
  return SetChild(key, ValueNode::Int(value));
}

bool CefDictionaryValueImpl::SetDouble(const CefString& key, double value) {
  return SetChild(key, ValueNode::Double(value));
}

bool CefDictionaryValueImpl::SetString(const CefString& key,
                                       const CefString& value) {
  return SetChild(key, ValueNode::String(value.ToWString()));
}

bool CefDictionaryValueImpl::SetBinary(const CefString& key,
                                       CefRefPtr<CefBinaryValue> value) {
  NodePtr source = CefBinaryValueImpl::NodeOf(value.get());
  return source && SetChild(key, source->DeepCopy());
}

bool CefDictionaryValueImpl::SetDictionary(
    const CefString& key,
    CefRefPtr<CefDictionaryValue> value) {
  NodePtr source = NodeOf(value.get());
  return source && SetChild(key, source->DeepCopy());
}

bool CefDictionaryValueImpl::SetList(const CefString& key,
                                     CefRefPtr<CefListValue> value) {
  NodePtr source = CefListValueImpl::NodeOf(value.get());
  return source && SetChild(key, source->DeepCopy());
}

}  // namespace cef_internal
