#include "src/channel/codec.h"

#include <windows.h>

#include <string.h>

#include "src/core/cef_list_value_impl.h"
#include "src/core/value_node.h"

namespace cef_internal {

namespace {

enum Tag : uint8_t {
  kNull = 0,
  kBool,
  kInt,
  kDouble,
  kString,
  kBinary,
  kList,
  kDict,
};

const int kMaxOp = 0xFFFF;
// What a list reserves ahead of its values: a peer's count is only a claim,
// and nested lists would each reserve what the whole payload could hold.
const uint32_t kMaxListReserve = 16;

void PutU32(uint32_t value, std::string* out) {
  for (int i = 0; i < 4; ++i)
    out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// |values| counts what has been written, so that no payload holds more than
// a receiver accepts.
bool EncodeNode(const ValueNode& node,
                int depth,
                size_t* values,
                std::string* out);

bool EncodeList(const ValueNode::List& list,
                int depth,
                size_t* values,
                std::string* out) {
  if (depth > Codec::kMaxDepth)
    return false;
  PutU32(static_cast<uint32_t>(list.size()), out);
  for (const NodePtr& child : list) {
    if (!EncodeNode(*child, depth, values, out))
      return false;
  }
  return true;
}

bool EncodeNode(const ValueNode& node,
                int depth,
                size_t* values,
                std::string* out) {
  if (out->size() > Codec::kMaxPayloadSize || ++*values > Codec::kMaxValues)
    return false;
  switch (node.type) {
    case VTYPE_BOOL:
      out->push_back(kBool);
      out->push_back(node.bool_value ? 1 : 0);
      return true;
    case VTYPE_INT:
      out->push_back(kInt);
      PutU32(static_cast<uint32_t>(node.int_value), out);
      return true;
    case VTYPE_DOUBLE: {
      uint64_t bits;
      memcpy(&bits, &node.double_value, sizeof(bits));
      out->push_back(kDouble);
      PutU32(static_cast<uint32_t>(bits), out);
      PutU32(static_cast<uint32_t>(bits >> 32), out);
      return true;
    }
    case VTYPE_STRING:
      out->push_back(kString);
      PutU32(static_cast<uint32_t>(node.string_value.size()), out);
      for (wchar_t unit : node.string_value) {
        out->push_back(static_cast<char>(unit & 0xFF));
        out->push_back(static_cast<char>((unit >> 8) & 0xFF));
      }
      return true;
    case VTYPE_BINARY:
      out->push_back(kBinary);
      PutU32(static_cast<uint32_t>(node.binary.size()), out);
      out->append(node.binary.begin(), node.binary.end());
      return true;
    case VTYPE_LIST:
      out->push_back(kList);
      return EncodeList(node.list, depth + 1, values, out);
    case VTYPE_DICTIONARY:
      if (depth + 1 > Codec::kMaxDepth)
        return false;
      out->push_back(kDict);
      PutU32(static_cast<uint32_t>(node.dict.size()), out);
      for (const auto& entry : node.dict) {
        PutU32(static_cast<uint32_t>(entry.first.size()), out);
        out->append(entry.first);
        if (!EncodeNode(*entry.second, depth + 1, values, out))
          return false;
      }
      return true;
    default:
      out->push_back(kNull);
      return true;
  }
}

// Reads from a bounded buffer; every read checks what is left first. It also
// keeps the count of values a payload may still make.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size)
      : data_(data), left_(size), values_left_(Codec::kMaxValues) {}

  size_t left() const { return left_; }
  size_t values_left() const { return values_left_; }

  bool TakeValue() {
    if (values_left_ == 0)
      return false;
    --values_left_;
    return true;
  }

  bool U8(uint8_t* value) {
    if (left_ < 1)
      return false;
    *value = *data_;
    Skip(1);
    return true;
  }
  bool U32(uint32_t* value) {
    if (left_ < 4)
      return false;
    *value = GetU32(data_);
    Skip(4);
    return true;
  }
  bool Bytes(size_t count, const uint8_t** bytes) {
    if (left_ < count)
      return false;
    *bytes = data_;
    Skip(count);
    return true;
  }

 private:
  void Skip(size_t count) {
    data_ += count;
    left_ -= count;
  }

  const uint8_t* data_;
  size_t left_;
  size_t values_left_;
};

NodePtr DecodeNode(Reader* reader, int depth);

bool DecodeListBody(Reader* reader, int depth, ValueNode* list) {
  uint32_t count;
  // Each value takes at least its tag byte.
  if (depth > Codec::kMaxDepth || !reader->U32(&count) ||
      count > reader->left())
    return false;
  list->list.reserve(count < kMaxListReserve ? count : kMaxListReserve);
  for (uint32_t i = 0; i < count; ++i) {
    NodePtr child = DecodeNode(reader, depth);
    if (!child)
      return false;
    list->list.push_back(child);
  }
  return true;
}

bool DecodeDictBody(Reader* reader, int depth, ValueNode* dict) {
  uint32_t count;
  if (depth > Codec::kMaxDepth || !reader->U32(&count) ||
      count > reader->left() / 5)
    return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t key_size;
    const uint8_t* key;
    if (!reader->U32(&key_size) || !reader->Bytes(key_size, &key))
      return false;
    // Keys must be valid UTF-8: they are written out as they are.
    if (key_size &&
        !MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS,
                             reinterpret_cast<const char*>(key),
                             static_cast<int>(key_size), nullptr, 0)) {
      return false;
    }
    NodePtr child = DecodeNode(reader, depth);
    if (!child)
      return false;
    dict->dict[std::string(reinterpret_cast<const char*>(key), key_size)] =
        child;
  }
  return true;
}

NodePtr DecodeNode(Reader* reader, int depth) {
  uint8_t tag;
  if (!reader->TakeValue() || !reader->U8(&tag))
    return nullptr;
  switch (tag) {
    case kNull:
      return ValueNode::Null();
    case kBool: {
      uint8_t value;
      if (!reader->U8(&value) || value > 1)
        return nullptr;
      return ValueNode::Bool(value == 1);
    }
    case kInt: {
      uint32_t value;
      if (!reader->U32(&value))
        return nullptr;
      return ValueNode::Int(static_cast<int>(value));
    }
    case kDouble: {
      uint32_t low, high;
      if (!reader->U32(&low) || !reader->U32(&high))
        return nullptr;
      uint64_t bits = (static_cast<uint64_t>(high) << 32) | low;
      double value;
      memcpy(&value, &bits, sizeof(value));
      return ValueNode::Double(value);
    }
    case kString: {
      uint32_t units;
      const uint8_t* bytes;
      if (!reader->U32(&units) || units > reader->left() / 2 ||
          !reader->Bytes(units * 2, &bytes))
        return nullptr;
      NodePtr node = ValueNode::String(std::wstring());
      node->string_value.resize(units);
      for (uint32_t i = 0; i < units; ++i) {
        node->string_value[i] =
            static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
      }
      return node;
    }
    case kBinary: {
      uint32_t size;
      const uint8_t* bytes;
      if (!reader->U32(&size) || !reader->Bytes(size, &bytes))
        return nullptr;
      return ValueNode::Binary(bytes, size);
    }
    case kList: {
      NodePtr node = ValueNode::NewList();
      return DecodeListBody(reader, depth + 1, node.get()) ? node : nullptr;
    }
    case kDict: {
      NodePtr node = ValueNode::NewDict();
      return DecodeDictBody(reader, depth + 1, node.get()) ? node : nullptr;
    }
    default:
      return nullptr;
  }
}

}  // namespace

// static
bool Codec::Encode(Op op, CefRefPtr<CefListValue> args, std::string* frame) {
  NodePtr list = args ? CefListValueImpl::NodeOf(args.get()) : nullptr;
  if (args && !list)
    return false;
  std::string payload;
  payload.push_back(static_cast<char>(kVersion));
  PutU32(static_cast<uint32_t>(op), &payload);
  size_t values = 0;
  if (!list)
    PutU32(0, &payload);
  else if (!EncodeList(list->list, 1, &values, &payload))
    return false;
  if (payload.size() > kMaxPayloadSize)
    return false;
  PutU32(static_cast<uint32_t>(payload.size()), frame);
  frame->append(payload);
  return true;
}

// static
bool Codec::Decode(const void* payload,
                   size_t size,
                   Op* op,
                   CefRefPtr<CefListValue>* args) {
  if (!payload || size > kMaxPayloadSize)
    return false;
  Reader reader(static_cast<const uint8_t*>(payload), size);
  uint8_t version;
  uint32_t raw_op;
  if (!reader.U8(&version) || version != kVersion || !reader.U32(&raw_op) ||
      raw_op < 1 || raw_op > kMaxOp)
    return false;
  NodePtr list = ValueNode::NewList();
  if (!DecodeListBody(&reader, 1, list.get()) || reader.left() != 0)
    return false;
  *op = static_cast<Op>(raw_op);
  *args = new CefListValueImpl(list, false, false);
  return true;
}

// static
bool Codec::ReadLength(const void* prefix, uint32_t* length) {
  *length = GetU32(static_cast<const uint8_t*>(prefix));
  return *length <= kMaxPayloadSize;
}

}  // namespace cef_internal
