// The storage behind the framework's value interfaces. Lists and
// dictionaries own their children; the interface objects are views that share
// a node, which is how a child returned by a getter stays live.
#ifndef FRAMEWORK_SRC_CORE_VALUE_NODE_H_
#define FRAMEWORK_SRC_CORE_VALUE_NODE_H_

#include <stdint.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "include/internal/cef_types.h"

namespace cef_internal {

struct ValueNode;
typedef std::shared_ptr<ValueNode> NodePtr;

struct ValueNode {
  // Dictionary keys in UTF-8, which gives the framework's byte-wise order.
  typedef std::map<std::string, NodePtr> Dict;
  typedef std::vector<NodePtr> List;

  static NodePtr Null();
  static NodePtr Bool(bool value);
  static NodePtr Int(int value);
  static NodePtr Double(double value);
  static NodePtr String(const std::wstring& value);
  static NodePtr Binary(const void* data, size_t size);
  static NodePtr NewList();
  static NodePtr NewDict();

  NodePtr DeepCopy() const;
  // Drops empty lists and dictionaries below this node, also those that only
  // became empty by the dropping.
  NodePtr DeepCopyWithoutEmptyChildren() const;
  bool Equals(const ValueNode& other) const;
  bool IsEmptyContainer() const;
  // The node left its parent: views of it and of its children become
  // invalid, as the framework's references do.
  void Invalidate();

  cef_value_type_t type = VTYPE_NULL;
  bool valid = true;
  bool bool_value = false;
  int int_value = 0;
  double double_value = 0;
  std::wstring string_value;
  std::vector<uint8_t> binary;
  List list;
  Dict dict;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_VALUE_NODE_H_
