// Reads JSON into value nodes with the framework's rules and error reports.
// RapidJSON does the reading (iteratively, so input depth never grows the
// call stack); this class adds the nesting limit and maps RapidJSON's errors
// onto the framework's codes.
#ifndef FRAMEWORK_SRC_CORE_JSON_PARSER_H_
#define FRAMEWORK_SRC_CORE_JSON_PARSER_H_

#include <string>

#include "include/internal/cef_types.h"
#include "src/core/value_node.h"

namespace cef_internal {

class JsonParser {
 public:
  // Containers nested deeper than this are refused.
  static constexpr int kMaxDepth = 99;

  explicit JsonParser(cef_json_parser_options_t options);

  // Returns null on failure; error_code() and error_message() then tell why.
  // Throws std::bad_alloc when memory runs out.
  NodePtr Parse(const std::wstring& json);

  cef_json_parser_error_t error_code() const { return error_code_; }
  // "Line: L, column: C, <what>".
  const std::string& error_message() const { return error_message_; }

 private:
  void SetError(cef_json_parser_error_t code,
                const std::wstring& text,
                size_t offset);

  const cef_json_parser_options_t options_;
  cef_json_parser_error_t error_code_ = JSON_NO_ERROR;
  std::string error_message_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_JSON_PARSER_H_
