#include "renderer/voice_list_json.h"

namespace {

const wchar_t kHexDigits[] = L"0123456789ABCDEF";
constexpr wchar_t kReplacement = 0xFFFD;

bool IsHighSurrogate(wchar_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// Units |c| takes in the output. Surrogates are counted on their own: a
// pair stays two units, a lone one becomes one replacement unit.
size_t EscapedSize(wchar_t c) {
  if (c >= 0x20 && c != L'"' && c != L'\\' && c != L'<')
    return 1;
  switch (c) {
    case L'"':
    case L'\\':
    case L'\b':
    case L'\f':
    case L'\n':
    case L'\r':
    case L'\t':
      return 2;
    default:
      return 6;
  }
}

wchar_t* WriteEscaped(wchar_t c, wchar_t* out) {
  wchar_t short_form = 0;
  switch (c) {
    case L'"':
      short_form = L'"';
      break;
    case L'\\':
      short_form = L'\\';
      break;
    case L'\b':
      short_form = L'b';
      break;
    case L'\f':
      short_form = L'f';
      break;
    case L'\n':
      short_form = L'n';
      break;
    case L'\r':
      short_form = L'r';
      break;
    case L'\t':
      short_form = L't';
      break;
  }
  *out++ = L'\\';
  if (short_form) {
    *out++ = short_form;
    return out;
  }
  // '<' and the other control characters.
  *out++ = L'u';
  *out++ = L'0';
  *out++ = L'0';
  *out++ = kHexDigits[c >> 4];
  *out++ = kHexDigits[c & 0xF];
  return out;
}

wchar_t* WriteQuoted(const std::wstring& text, wchar_t* out) {
  *out++ = L'"';
  const wchar_t* p = text.data();
  const wchar_t* end = p + text.size();
  while (p < end) {
    const wchar_t c = *p++;
    if (c >= 0x20 && c != L'"' && c != L'\\' && c != L'<' &&
        (c < 0xD800 || c > 0xDFFF)) {
      *out++ = c;
    } else if (IsHighSurrogate(c) && p < end && IsLowSurrogate(*p)) {
      *out++ = c;
      *out++ = *p++;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      *out++ = kReplacement;
    } else {
      out = WriteEscaped(c, out);
    }
  }
  *out++ = L'"';
  return out;
}

}  // namespace

size_t QuotedJsonSize(const std::wstring& text) {
  size_t size = 2;
  for (wchar_t c : text)
    size += EscapedSize(c);
  return size;
}

void AppendQuotedJson(const std::wstring& text, std::wstring* json) {
  // Sized exactly first, so the writing pass never checks for room.
  const size_t start = json->size();
  json->resize(start + QuotedJsonSize(text));
  WriteQuoted(text, &(*json)[start]);
}
