// Writes value nodes as JSON exactly as the framework does: compact, keys in
// byte order, whole doubles as "N.0", '<' escaped, other text raw UTF-8.
#ifndef FRAMEWORK_SRC_CORE_JSON_WRITER_H_
#define FRAMEWORK_SRC_CORE_JSON_WRITER_H_

#include <string>

#include "include/internal/cef_types.h"
#include "src/core/value_node.h"

namespace cef_internal {

class JsonWriter {
 public:
  explicit JsonWriter(cef_json_writer_options_t options);

  // Appends |node| to |out|. Returns false when |node| holds a binary value
  // and binary values are not to be omitted.
  bool Write(const ValueNode& node, std::string* out);

  // UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
  static std::string ToUtf8(const std::wstring& text);
  // Appends |utf8| as a quoted JSON string.
  static void AppendQuoted(const std::string& utf8, std::string* out);
  // The shortest text that reads back as |value|, as a script engine prints
  // numbers ("0.1", "1e+21"), with ".0" added to whole numbers.
  static std::string FormatDouble(double value);

 private:
  bool WriteNode(const ValueNode& node, int depth);
  bool WriteList(const ValueNode& node, int depth);
  bool WriteDict(const ValueNode& node, int depth);
  void NewLine(int depth);

  const bool omit_binary_;
  const bool omit_double_type_;
  const bool pretty_;
  std::string* out_ = nullptr;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_JSON_WRITER_H_
