#include "src/core/value_node.h"

namespace cef_internal {

namespace {

NodePtr Make(cef_value_type_t type) {
  NodePtr node = std::make_shared<ValueNode>();
  node->type = type;
  return node;
}

}  // namespace

// static
NodePtr ValueNode::Null() {
  return Make(VTYPE_NULL);
}

// static
NodePtr ValueNode::Bool(bool value) {
  NodePtr node = Make(VTYPE_BOOL);
  node->bool_value = value;
  return node;
}

// static
NodePtr ValueNode::Int(int value) {
  NodePtr node = Make(VTYPE_INT);
  node->int_value = value;
  return node;
}

// static
NodePtr ValueNode::Double(double value) {
  NodePtr node = Make(VTYPE_DOUBLE);
  node->double_value = value;
  return node;
}

// static
NodePtr ValueNode::String(const std::wstring& value) {
  NodePtr node = Make(VTYPE_STRING);
  node->string_value = value;
  return node;
}

// static
NodePtr ValueNode::Binary(const void* data, size_t size) {
  NodePtr node = Make(VTYPE_BINARY);
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  if (size)
    node->binary.assign(bytes, bytes + size);
  return node;
}

// static
NodePtr ValueNode::NewList() {
  return Make(VTYPE_LIST);
}

// static
NodePtr ValueNode::NewDict() {
  return Make(VTYPE_DICTIONARY);
}

NodePtr ValueNode::DeepCopy() const {
  NodePtr copy = std::make_shared<ValueNode>();
  copy->type = type;
  copy->bool_value = bool_value;
  copy->int_value = int_value;
  copy->double_value = double_value;
  copy->string_value = string_value;
  copy->binary = binary;
  copy->list.reserve(list.size());
  for (const NodePtr& child : list)
    copy->list.push_back(child->DeepCopy());
  for (const auto& entry : dict)
    copy->dict.emplace(entry.first, entry.second->DeepCopy());
  return copy;
}

NodePtr ValueNode::DeepCopyWithoutEmptyChildren() const {
  NodePtr copy = std::make_shared<ValueNode>();
  copy->type = type;
  copy->bool_value = bool_value;
  copy->int_value = int_value;
  copy->double_value = double_value;
  copy->string_value = string_value;
  copy->binary = binary;
  for (const NodePtr& child : list) {
    NodePtr item = child->DeepCopyWithoutEmptyChildren();
    if (!item->IsEmptyContainer())
      copy->list.push_back(item);
  }
  for (const auto& entry : dict) {
    NodePtr item = entry.second->DeepCopyWithoutEmptyChildren();
    if (!item->IsEmptyContainer())
      copy->dict.emplace(entry.first, item);
  }
  return copy;
}

bool ValueNode::IsEmptyContainer() const {
  return (type == VTYPE_LIST && list.empty()) ||
         (type == VTYPE_DICTIONARY && dict.empty());
}

bool ValueNode::Equals(const ValueNode& other) const {
  if (type != other.type)
    return false;
  switch (type) {
    case VTYPE_BOOL:
      return bool_value == other.bool_value;
    case VTYPE_INT:
      return int_value == other.int_value;
    case VTYPE_DOUBLE:
      return double_value == other.double_value;
    case VTYPE_STRING:
      return string_value == other.string_value;
    case VTYPE_BINARY:
      return binary == other.binary;
    case VTYPE_LIST:
      if (list.size() != other.list.size())
        return false;
      for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i]->Equals(*other.list[i]))
          return false;
      }
      return true;
    case VTYPE_DICTIONARY: {
      if (dict.size() != other.dict.size())
        return false;
      auto it = other.dict.begin();
      for (const auto& entry : dict) {
        if (entry.first != it->first || !entry.second->Equals(*it->second))
          return false;
        ++it;
      }
      return true;
    }
    default:
      return true;
  }
}

void ValueNode::Invalidate() {
  valid = false;
  for (const NodePtr& child : list)
    child->Invalidate();
  for (const auto& entry : dict)
    entry.second->Invalidate();
}

}  // namespace cef_internal
