// Page text in kxhost's output: one event, one line. A page chooses its
// console text and its addresses; with a line break in them it could print
// lines that read as the host's own ("record count=1 ..."), which tools and
// tests parse.
#ifndef HOST_LINE_ESCAPE_H_
#define HOST_LINE_ESCAPE_H_

#include <string>

#include "include/internal/cef_string.h"

// |text| as UTF-8 without any character that breaks or rewrites a line:
// "\n", "\r" and "\t" as those two characters, other control characters
// (below 0x20, DEL, 0x80 to 0x9F) as "\xHH", the line and paragraph
// separators and unpaired surrogates as "\uHHHH", and a backslash doubled,
// so that the original text can be read back.
std::string EscapeForLine(const CefString& text);

#endif  // HOST_LINE_ESCAPE_H_
