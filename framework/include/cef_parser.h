// JSON reading and writing with the framework's exact rules.
#ifndef CEF_INCLUDE_CEF_PARSER_H_
#define CEF_INCLUDE_CEF_PARSER_H_

#include "include/cef_base.h"
#include "include/cef_values.h"

// Parses |json_string|; returns null on failure.
CefRefPtr<CefValue> CefParseJSON(const CefString& json_string,
                                 cef_json_parser_options_t options);

// Parses |json_string|. On failure returns null and writes the error code and
// a message ("Line: L, column: C, <what>"); on success the outputs are left
// untouched.
CefRefPtr<CefValue> CefParseJSONAndReturnError(
    const CefString& json_string,
    cef_json_parser_options_t options,
    cef_json_parser_error_t& error_code_out,
    CefString& error_msg_out);

// Writes |node| as compact JSON; an empty string when it cannot be written
// (a binary value anywhere, unless omitted by |options|).
CefString CefWriteJSON(CefRefPtr<CefValue> node,
                       cef_json_writer_options_t options);

#endif  // CEF_INCLUDE_CEF_PARSER_H_
