#include "include/cef_parser.h"

#include "src/core/cef_value_impl.h"
#include "src/core/json_parser.h"
#include "src/core/json_writer.h"

CefRefPtr<CefValue> CefParseJSON(const CefString& json_string,
                                 cef_json_parser_options_t options) {
  cef_internal::JsonParser parser(options);
  cef_internal::NodePtr root = parser.Parse(json_string.ToWString());
  return root ? cef_internal::CefValueImpl::Wrap(root) : nullptr;
}

CefRefPtr<CefValue> CefParseJSONAndReturnError(
    const CefString& json_string,
    cef_json_parser_options_t options,
    cef_json_parser_error_t& error_code_out,
    CefString& error_msg_out) {
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
