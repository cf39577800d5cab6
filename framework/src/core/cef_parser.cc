#include "include/cef_parser.h"

#include "include/base/cef_logging.h"
#include "include/internal/cef_logging_internal.h"
#include "src/core/cef_value_impl.h"
#include "src/core/json_parser.h"
#include "src/core/json_writer.h"

namespace {

// As the real framework's wrapper does, an empty text is refused before it
// reaches the parser: a checked build stops, a release build returns null
// and leaves the error outputs as they were. Written through cef_log, as
// the logging macros live in a library above this one.
bool RefusedAsEmpty(const CefString& json_string) {
  if (!json_string.empty())
    return false;
  if (DCHECK_IS_ON) {
    cef_log(__FILE__, __LINE__, cef::logging::LOG_FATAL,
            "Check failed: !json_string.empty(). ");
  }
  return true;
}

}  // namespace

CefRefPtr<CefValue> CefParseJSON(const CefString& json_string,
                                 cef_json_parser_options_t options) {
  if (RefusedAsEmpty(json_string))
    return nullptr;
  cef_internal::JsonParser parser(options);
  cef_internal::NodePtr root = parser.Parse(json_string.ToWString());
  return root ? cef_internal::CefValueImpl::Wrap(root) : nullptr;
}

CefRefPtr<CefValue> CefParseJSONAndReturnError(
    const CefString& json_string,
    cef_json_parser_options_t options,
    cef_json_parser_error_t& error_code_out,
    CefString& error_msg_out) {
  if (RefusedAsEmpty(json_string))
    return nullptr;
  cef_internal::JsonParser parser(options);
  cef_internal::NodePtr root = parser.Parse(json_string.ToWString());
  if (root)
    return cef_internal::CefValueImpl::Wrap(root);
  error_code_out = parser.error_code();
  error_msg_out = parser.error_message();
  return nullptr;
}

CefString CefWriteJSON(CefRefPtr<CefValue> node,
                       cef_json_writer_options_t options) {
  cef_internal::NodePtr root = cef_internal::CefValueImpl::NodeOf(node.get());
  if (!root)
    return CefString();
  std::string json;
  if (!cef_internal::JsonWriter(options).Write(*root, &json))
    return CefString();
  return CefString(json);
}
