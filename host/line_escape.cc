#include "host/line_escape.h"

namespace {

void AppendHex(const char* prefix,
               unsigned value,
               int digits,
               std::string* out) {
  static const char kHex[] = "0123456789ABCDEF";
  *out += prefix;
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
    out->push_back(kHex[(value >> shift) & 0xF]);
}

void AppendUtf8(unsigned cp, std::string* out) {
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

void AppendEscaped(unsigned cp, std::string* out) {
  switch (cp) {
    case '\\':
      *out += "\\\\";
      return;
    case '\n':
      *out += "\\n";
      return;
    case '\r':
      *out += "\\r";
      return;
    case '\t':
      *out += "\\t";
      return;
  }
  if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F))
    AppendHex("\\x", cp, 2, out);
  else if (cp == 0x2028 || cp == 0x2029 || (cp >= 0xD800 && cp <= 0xDFFF))
    AppendHex("\\u", cp, 4, out);
  else
    AppendUtf8(cp, out);
}

}  // namespace

std::string EscapeForLine(const CefString& text) {
  const std::wstring wide = text.ToWString();
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    unsigned cp = static_cast<unsigned>(wide[i]) & 0xFFFF;
    const bool high = cp >= 0xD800 && cp <= 0xDBFF;
    if (high && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (wide[++i] - 0xDC00);
    }
    AppendEscaped(cp, &out);
  }
  return out;
}
