#include "src/core/json_writer.h"

#include <rapidjson/internal/dtoa.h>

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace cef_internal {

namespace {

// The framework's pretty form uses the platform's line ending.
const char kLineEnding[] = "\r\n";
const int kIndent = 3;

void AppendUtf8(uint32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

JsonWriter::JsonWriter(cef_json_writer_options_t options)
    : omit_binary_((options & JSON_WRITER_OMIT_BINARY_VALUES) != 0),
      omit_double_type_((options & JSON_WRITER_OMIT_DOUBLE_TYPE_PRESERVATION) !=
                        0),
      pretty_((options & JSON_WRITER_PRETTY_PRINT) != 0) {}

bool JsonWriter::Write(const ValueNode& node, std::string* out) {
  out_ = out;
  if (!WriteNode(node, 0))
    return false;
  if (pretty_)
    out_->append(kLineEnding);
  return true;
}

// static
std::string JsonWriter::ToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint16_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
        text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(c, &out);
  }
  return out;
}

// static
void JsonWriter::AppendQuoted(const std::string& utf8, std::string* out) {
  out->push_back('"');
  for (char ch : utf8) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out->append("\\\"");
        break;
      case '\\':
        out->append("\\\\");
        break;
      case '\b':
        out->append("\\b");
        break;
      case '\f':
        out->append("\\f");
        break;
      case '\n':
        out->append("\\n");
        break;
      case '\r':
        out->append("\\r");
        break;
      case '\t':
        out->append("\\t");
        break;
      case '<':
        // Keeps "</script>" out of JSON embedded in a page.
        out->append("\\u003C");
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          snprintf(escaped, sizeof(escaped), "\\u%04X", c);
          out->append(escaped);
        } else {
          out->push_back(ch);
        }
    }
  }
  out->push_back('"');
}

// static
std::string JsonWriter::FormatDouble(double value) {
  if (!std::isfinite(value))
    return "null";
  std::string out = std::signbit(value) ? "-" : "";
  if (value == 0)
    return out + "0.0";
  char digits[32];
  int length = 0;
  int exponent = 0;
  rapidjson::internal::Grisu2(std::fabs(value), digits, &length, &exponent);
  std::string d(digits, length);
  // The decimal point sits after |point| digits.
  int point = length + exponent;
  if (length <= point && point <= 21) {
    out += d + std::string(point - length, '0') + ".0";
  } else if (0 < point && point <= 21) {
    out += d.substr(0, point) + "." + d.substr(point);
  } else if (-6 < point && point <= 0) {
    out += "0." + std::string(-point, '0') + d;
  } else {
    out += d.substr(0, 1);
    if (length > 1)
      out += "." + d.substr(1);
    int e = point - 1;
    out += (e < 0 ? "e-" : "e+") + std::to_string(e < 0 ? -e : e);
  }
  return out;
}

bool JsonWriter::WriteNode(const ValueNode& node, int depth) {
  switch (node.type) {
    case VTYPE_BOOL:
      out_->append(node.bool_value ? "true" : "false");
      return true;
    case VTYPE_INT:
      out_->append(std::to_string(node.int_value));
      return true;
    case VTYPE_DOUBLE: {
      double value = node.double_value;
      if (omit_double_type_ && std::floor(value) == value &&
          std::fabs(value) < 9.2e18) {
        out_->append(std::to_string(static_cast<int64_t>(value)));
      } else {
        out_->append(FormatDouble(value));
      }
      return true;
    }
    case VTYPE_STRING:
      AppendQuoted(ToUtf8(node.string_value), out_);
      return true;
    case VTYPE_BINARY:
      return omit_binary_;
    case VTYPE_LIST:
      return WriteList(node, depth);
    case VTYPE_DICTIONARY:
      return WriteDict(node, depth);
    default:
      out_->append("null");
      return true;
  }
}

bool JsonWriter::WriteList(const ValueNode& node, int depth) {
  out_->push_back('[');
  if (pretty_)
    out_->push_back(' ');
  bool first = true;
  for (const NodePtr& child : node.list) {
    if (child->type == VTYPE_BINARY && omit_binary_)
      continue;
    if (!first)
      out_->append(pretty_ ? ", " : ",");
    first = false;
    if (!WriteNode(*child, depth + 1))
      return false;
  }
  if (pretty_)
    out_->push_back(' ');
  out_->push_back(']');
  return true;
}

bool JsonWriter::WriteDict(const ValueNode& node, int depth) {
  out_->push_back('{');
  if (pretty_)
    out_->append(kLineEnding);
  bool first = true;
  for (const auto& entry : node.dict) {
    if (entry.second->type == VTYPE_BINARY && omit_binary_)
      continue;
    if (!first) {
      out_->push_back(',');
      if (pretty_)
        out_->append(kLineEnding);
    }
    first = false;
    if (pretty_)
      out_->append((depth + 1) * kIndent, ' ');
    AppendQuoted(entry.first, out_);
    out_->append(pretty_ ? ": " : ":");
    if (!WriteNode(*entry.second, depth + 1))
      return false;
  }
  if (pretty_) {
    out_->append(kLineEnding);
    out_->append(depth * kIndent, ' ');
  }
  out_->push_back('}');
  return true;
}

}  // namespace cef_internal
