// CefBinaryValue as a view of a binary node. Bytes never change after
// creation, so views may share a node freely.
#ifndef FRAMEWORK_SRC_CORE_CEF_BINARY_VALUE_IMPL_H_
#define FRAMEWORK_SRC_CORE_CEF_BINARY_VALUE_IMPL_H_

#include "include/cef_values.h"
#include "src/core/value_node.h"

namespace cef_internal {

class CefBinaryValueImpl : public CefBinaryValue {
 public:
  // |owned|: |node| is the child of another value.
  CefBinaryValueImpl(NodePtr node, bool owned);

  // The node behind |value|, or null when |value| is null or invalid.
  static NodePtr NodeOf(CefBinaryValue* value);

  // CefBinaryValue:
  bool IsValid() override;
  bool IsOwned() override;
  bool IsSame(CefRefPtr<CefBinaryValue> that) override;
  bool IsEqual(CefRefPtr<CefBinaryValue> that) override;
  CefRefPtr<CefBinaryValue> Copy() override;
  size_t GetSize() override;
  size_t GetData(void* buffer, size_t buffer_size, size_t data_offset) override;

 private:
  NodePtr node_;
  const bool owned_;

  IMPLEMENT_REFCOUNTING(CefBinaryValueImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_CEF_BINARY_VALUE_IMPL_H_
