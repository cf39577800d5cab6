#include "src/core/cef_list_value_impl.h"

#include <cstdio>
#include <cstdlib>

#include "src/core/cef_binary_value_impl.h"
#include "src/core/cef_dictionary_value_impl.h"
#include "src/core/cef_value_impl.h"

// static
CefRefPtr<CefListValue> CefListValue::Create() {
  return new cef_internal::CefListValueImpl(cef_internal::ValueNode::NewList(),
                                            false, false);
}

namespace cef_internal {

CefListValueImpl::CefListValueImpl(NodePtr node, bool owned, bool read_only)
    : node_(std::move(node)), owned_(owned), read_only_(read_only) {}

// static
NodePtr CefListValueImpl::NodeOf(CefListValue* value) {
  CefListValueImpl* impl = dynamic_cast<CefListValueImpl*>(value);
  if (!impl || !impl->node_->valid)
    return nullptr;
  return impl->node_;
}

bool CefListValueImpl::IsValid() {
  return node_->valid;
}

bool CefListValueImpl::IsOwned() {
  return owned_;
}

bool CefListValueImpl::IsReadOnly() {
  return read_only_;
}

bool CefListValueImpl::IsSame(CefRefPtr<CefListValue> that) {
  NodePtr other = NodeOf(that.get());
  return other && other == NodeOf(this);
}

bool CefListValueImpl::IsEqual(CefRefPtr<CefListValue> that) {
  NodePtr other = NodeOf(that.get());
  return other && node_->valid && node_->Equals(*other);
}

CefRefPtr<CefListValue> CefListValueImpl::Copy() {
  if (!node_->valid)
    return nullptr;
  return new CefListValueImpl(node_->DeepCopy(), false, false);
}

bool CefListValueImpl::SetSize(size_t size) {
  if (!Writable())
    return false;
  // The real framework never returns from shrinking a list to 0 (its loop
  // counts an unsigned index down past 0): the stand-in stops there, so that
  // a caller that does it fails loudly instead of passing here.
  if (size == 0 && !node_->list.empty()) {
    std::fputs("CefListValue::SetSize(0) on a list that is not empty: the "
               "real framework never returns from it\n",
               stderr);
    std::abort();
  }
  ValueNode::List& list = node_->list;
  for (size_t i = size; i < list.size(); ++i)
    list[i]->Invalidate();
  if (size < list.size()) {
    list.resize(size);
    return true;
  }
  while (list.size() < size)
    list.push_back(ValueNode::Null());
  // As the real framework does it: the value at size - 1 is set to null,
  // also when the list had that size already (measured: a list of two
  // dictionaries given SetSize(2) lost its second).
  if (size > 0) {
    list[size - 1]->Invalidate();
    list[size - 1] = ValueNode::Null();
  }
  return true;
}

size_t CefListValueImpl::GetSize() {
  return node_->valid ? node_->list.size() : 0;
}

bool CefListValueImpl::Clear() {
  if (!Writable())
    return false;
  for (auto& value : node_->list)
    value->Invalidate();
  node_->list.clear();
  return true;
}

bool CefListValueImpl::Remove(size_t index) {
  if (!Writable() || index >= node_->list.size())
    return false;
  node_->list[index]->Invalidate();
  node_->list.erase(node_->list.begin() + index);
  return true;
}

NodePtr CefListValueImpl::Child(size_t index) const {
  if (!node_->valid || index >= node_->list.size())
    return nullptr;
  return node_->list[index];
}

bool CefListValueImpl::SetChild(size_t index, NodePtr child) {
  if (!Writable() || !child)
    return false;
  ValueNode::List& list = node_->list;
  if (index < list.size()) {
    list[index]->Invalidate();
    list[index] = std::move(child);
    return true;
  }
  while (list.size() < index)
    list.push_back(ValueNode::Null());
  list.push_back(std::move(child));
  return true;
}

CefValueType CefListValueImpl::GetType(size_t index) {
  NodePtr child = Child(index);
  return child ? child->type : VTYPE_INVALID;
}

CefRefPtr<CefValue> CefListValueImpl::GetValue(size_t index) {
  NodePtr child = Child(index);
  return child ? CefValueImpl::FromChild(child, read_only_) : nullptr;
}

bool CefListValueImpl::GetBool(size_t index) {
  NodePtr child = Child(index);
  return child && child->type == VTYPE_BOOL && child->bool_value;
}

int CefListValueImpl::GetInt(size_t index) {
  NodePtr child = Child(index);
  return child && child->type == VTYPE_INT ? child->int_value : 0;
}

double CefListValueImpl::GetDouble(size_t index) {
  NodePtr child = Child(index);
  return child ? CefValueImpl::DoubleOf(*child) : 0;
}

CefString CefListValueImpl::GetString(size_t index) {
  NodePtr child = Child(index);
  if (!child || child->type != VTYPE_STRING)
    return CefString();
  return CefString(child->string_value);
}

CefRefPtr<CefBinaryValue> CefListValueImpl::GetBinary(size_t index) {
  NodePtr child = Child(index);
  if (!child || child->type != VTYPE_BINARY)
    return nullptr;
  return new CefBinaryValueImpl(child, true);
}

CefRefPtr<CefDictionaryValue> CefListValueImpl::GetDictionary(size_t index) {
  NodePtr child = Child(index);
  if (!child || child->type != VTYPE_DICTIONARY)
    return nullptr;
  return new CefDictionaryValueImpl(child, true, read_only_);
}

CefRefPtr<CefListValue> CefListValueImpl::GetList(size_t index) {
  NodePtr child = Child(index);
  if (!child || child->type != VTYPE_LIST)
    return nullptr;
  return new CefListValueImpl(child, true, read_only_);
}

bool CefListValueImpl::SetValue(size_t index, CefRefPtr<CefValue> value) {
  NodePtr source = CefValueImpl::NodeOf(value.get());
  return source && SetChild(index, source->DeepCopy());
}

bool CefListValueImpl::SetNull(size_t index) {
  return SetChild(index, ValueNode::Null());
}

bool CefListValueImpl::SetBool(size_t index, bool value) {
  return SetChild(index, ValueNode::Bool(value));
}

bool CefListValueImpl::SetInt(size_t index, int value) {
  return SetChild(index, ValueNode::Int(value));
}

bool CefListValueImpl::SetDouble(size_t index, double value) {
  return SetChild(index, ValueNode::Double(value));
}

bool CefListValueImpl::SetString(size_t index, const CefString& value) {
  return SetChild(index, ValueNode::String(value.ToWString()));
}

bool CefListValueImpl::SetBinary(size_t index,
                                 CefRefPtr<CefBinaryValue> value) {
  NodePtr source = CefBinaryValueImpl::NodeOf(value.get());
  return source && SetChild(index, source->DeepCopy());
}

bool CefListValueImpl::SetDictionary(size_t index,
                                     CefRefPtr<CefDictionaryValue> value) {
  NodePtr source = CefDictionaryValueImpl::NodeOf(value.get());
  return source && SetChild(index, source->DeepCopy());
}

bool CefListValueImpl::SetList(size_t index, CefRefPtr<CefListValue> value) {
  NodePtr source = NodeOf(value.get());
  return source && SetChild(index, source->DeepCopy());
}

}  // namespace cef_internal
