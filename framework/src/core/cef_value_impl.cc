#include "src/core/cef_value_impl.h"

#include "src/core/cef_binary_value_impl.h"
#include "src/core/cef_dictionary_value_impl.h"
#include "src/core/cef_list_value_impl.h"

// static
CefRefPtr<CefValue> CefValue::Create() {
  return cef_internal::CefValueImpl::Wrap(cef_internal::ValueNode::Null());
}

namespace cef_internal {

CefValueImpl::CefValueImpl(NodePtr node, bool owned, bool read_only)
    : node_(std::move(node)), owned_(owned), read_only_(read_only) {}

// static
CefRefPtr<CefValue> CefValueImpl::Wrap(NodePtr node) {
  return new CefValueImpl(std::move(node), false, false);
}

// static
CefRefPtr<CefValue> CefValueImpl::FromChild(const NodePtr& child,
                                            bool read_only) {
  switch (child->type) {
    case VTYPE_BINARY:
    case VTYPE_DICTIONARY:
    case VTYPE_LIST:
      return new CefValueImpl(child, true, read_only);
    default:
      return new CefValueImpl(child->DeepCopy(), false, read_only);
  }
}

// static
NodePtr CefValueImpl::NodeOf(CefValue* value) {
  CefValueImpl* impl = dynamic_cast<CefValueImpl*>(value);
  if (!impl || !impl->node_->valid)
    return nullptr;
  return impl->node_;
}

// static
double CefValueImpl::DoubleOf(const ValueNode& node) {
  if (node.type == VTYPE_DOUBLE)
    return node.double_value;
  return node.type == VTYPE_INT ? node.int_value : 0;
}

bool CefValueImpl::IsValid() {
  return node_->valid;
}

bool CefValueImpl::IsOwned() {
  return owned_;
}

bool CefValueImpl::IsReadOnly() {
  return read_only_;
}

bool CefValueImpl::IsSame(CefRefPtr<CefValue> that) {
  NodePtr other = NodeOf(that.get());
  return other && other == NodeOf(this);
}

bool CefValueImpl::IsEqual(CefRefPtr<CefValue> that) {
  NodePtr other = NodeOf(that.get());
  return other && node_->valid && node_->Equals(*other);
}

CefRefPtr<CefValue> CefValueImpl::Copy() {
  if (!node_->valid)
    return nullptr;
  return Wrap(node_->DeepCopy());
}

CefValueType CefValueImpl::GetType() {
  return node_->valid ? node_->type : VTYPE_INVALID;
}

bool CefValueImpl::GetBool() {
  return node_->valid && node_->type == VTYPE_BOOL && node_->bool_value;
}

int CefValueImpl::GetInt() {
  return node_->valid && node_->type == VTYPE_INT ? node_->int_value : 0;
}

double CefValueImpl::GetDouble() {
  return node_->valid ? DoubleOf(*node_) : 0;
}

CefString CefValueImpl::GetString() {
  if (!node_->valid || node_->type != VTYPE_STRING)
    return CefString();
  return CefString(node_->string_value);
}

CefRefPtr<CefBinaryValue> CefValueImpl::GetBinary() {
  if (!node_->valid || node_->type != VTYPE_BINARY)
    return nullptr;
  return new CefBinaryValueImpl(node_, owned_);
}

CefRefPtr<CefDictionaryValue> CefValueImpl::GetDictionary() {
  if (!node_->valid || node_->type != VTYPE_DICTIONARY)
    return nullptr;
  return new CefDictionaryValueImpl(node_, owned_, read_only_);
}

CefRefPtr<CefListValue> CefValueImpl::GetList() {
  if (!node_->valid || node_->type != VTYPE_LIST)
    return nullptr;
  return new CefListValueImpl(node_, owned_, read_only_);
}

bool CefValueImpl::Replace(NodePtr node) {
  if (read_only_ || !node)
    return false;
  // The slot now holds its own value; a child it viewed stays with its
  // parent.
  node_ = std::move(node);
  owned_ = false;
  return true;
}

bool CefValueImpl::SetNull() {
  return Replace(ValueNode::Null());
}

bool CefValueImpl::SetBool(bool value) {
  return Replace(ValueNode::Bool(value));
}

bool CefValueImpl::SetInt(int value) {
  return Replace(ValueNode::Int(value));
}

bool CefValueImpl::SetDouble(double value) {
  return Replace(ValueNode::Double(value));
}

bool CefValueImpl::SetString(const CefString& value) {
  return Replace(ValueNode::String(value.ToWString()));
}

bool CefValueImpl::SetBinary(CefRefPtr<CefBinaryValue> value) {
  NodePtr source = CefBinaryValueImpl::NodeOf(value.get());
  return source && Replace(source->DeepCopy());
}

bool CefValueImpl::SetDictionary(CefRefPtr<CefDictionaryValue> value) {
  NodePtr source = CefDictionaryValueImpl::NodeOf(value.get());
  return source && Replace(source->DeepCopy());
}

bool CefValueImpl::SetList(CefRefPtr<CefListValue> value) {
  NodePtr source = CefListValueImpl::NodeOf(value.get());
  return source && Replace(source->DeepCopy());
}

}  // namespace cef_internal
