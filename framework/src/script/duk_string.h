// Conversions between CefString (UTF-16) and Duktape's internal strings.
// Duktape keeps strings as CESU-8: a non-BMP character is two encoded
// surrogates, so a page sees the same lengths and indices as in a browser.
#ifndef FRAMEWORK_SRC_SCRIPT_DUK_STRING_H_
#define FRAMEWORK_SRC_SCRIPT_DUK_STRING_H_

#include <string>

#include "duktape.h"
#include "include/internal/cef_string.h"

namespace cef_internal {

// Every UTF-16 unit, lone surrogates included, encodes on its own.
std::string ToCesu8(const CefString& text);
// Writes |count| units as CESU-8 at |out|, which has room for three bytes a
// unit; returns the end of what was written.
char* WriteCesu8(const wchar_t* data, size_t count, char* out);
// Accepts CESU-8 and plain UTF-8; invalid bytes become U+FFFD.
CefString FromCesu8(const char* data, size_t length);

// Pushes |text| onto the value stack (never throws beyond out-of-memory).
void PushCefString(duk_context* ctx, const CefString& text);
// The string at |index|, or empty when it is not a string.
CefString GetCefString(duk_context* ctx, duk_idx_t index);

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_DUK_STRING_H_
