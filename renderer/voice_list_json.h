// Voice texts as JSON strings, written as the framework's JSON writer writes
// them (no white space; `"`, `\`, the short escapes, `<` as \u003C, other
// control characters as \u00XX, a lone surrogate as U+FFFD).
#ifndef RENDERER_VOICE_LIST_JSON_H_
#define RENDERER_VOICE_LIST_JSON_H_

#include <string>

// Units |text| takes as a quoted JSON string.
size_t QuotedJsonSize(const std::wstring& text);
// Appends |text| as a quoted JSON string to |json|, growing it once.
void AppendQuotedJson(const std::wstring& text, std::wstring* json);

#endif  // RENDERER_VOICE_LIST_JSON_H_
