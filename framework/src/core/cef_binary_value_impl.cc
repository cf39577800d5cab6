#include "src/core/cef_binary_value_impl.h"

#include <string.h>

// static
CefRefPtr<CefBinaryValue> CefBinaryValue::Create(const void* data,
                                                 size_t data_size) {
  // An empty value is allowed; a size without data is not.
  if (!data && data_size)
    return nullptr;
  return new cef_internal::CefBinaryValueImpl(
      cef_internal::ValueNode::Binary(data, data_size), false);
}

namespace cef_internal {

CefBinaryValueImpl::CefBinaryValueImpl(NodePtr node, bool owned)
    : node_(std::move(node)), owned_(owned) {}

// static
NodePtr CefBinaryValueImpl::NodeOf(CefBinaryValue* value) {
  CefBinaryValueImpl* impl = dynamic_cast<CefBinaryValueImpl*>(value);
  if (!impl || !impl->node_->valid)
    return nullptr;
  return impl->node_;
}

bool CefBinaryValueImpl::IsValid() {
  return node_->valid;
}

bool CefBinaryValueImpl::IsOwned() {
  return owned_;
}

bool CefBinaryValueImpl::IsSame(CefRefPtr<CefBinaryValue> that) {
  NodePtr other = NodeOf(that.get());
  return other && other == NodeOf(this);
}

bool CefBinaryValueImpl::IsEqual(CefRefPtr<CefBinaryValue> that) {
  NodePtr other = NodeOf(that.get());
  return other && node_->valid && node_->Equals(*other);
}

CefRefPtr<CefBinaryValue> CefBinaryValueImpl::Copy() {
  if (!node_->valid)
    return nullptr;
  return new CefBinaryValueImpl(node_->DeepCopy(), false);
}

size_t CefBinaryValueImpl::GetSize() {
  return node_->valid ? node_->binary.size() : 0;
}

size_t CefBinaryValueImpl::GetData(void* buffer,
                                   size_t buffer_size,
                                   size_t data_offset) {
  if (!node_->valid || !buffer || data_offset >= node_->binary.size())
    return 0;
  size_t count = node_->binary.size() - data_offset;
  if (count > buffer_size)
    count = buffer_size;
  memcpy(buffer, node_->binary.data() + data_offset, count);
  return count;
}

}  // namespace cef_internal
