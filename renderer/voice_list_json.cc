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

// Room for the common case: every text plus its quotes and comma, and a
// few escapes; only texts full of escapes make the string grow.
size_t EstimatedSize(const std::deque<std::wstring>& voices) {
  size_t size = 2;
  for (const std::wstring& voice : voices)
    size += voice.size() + voice.size() / 8 + 3;
  return size;
}

void AppendEscaped(wchar_t c, std::wstring* out) {
  switch (c) {
    case L'"':
      out->append(L"\\\"");
      return;
    case L'\\':
      out->append(L"\\\\");
      return;
    case L'\b':
      out->append(L"\\b");
      return;
    case L'\f':
      out->append(L"\\f");
      return;
    case L'\n':
      out->append(L"\\n");
      return;
    case L'\r':
      out->append(L"\\r");
      return;
    case L'\t':
      out->append(L"\\t");
      return;
    default: {
      // '<' and the other control characters.
      const wchar_t escaped[] = {
          L'\\', L'u', L'0', L'0', kHexDigits[c >> 4], kHexDigits[c & 0xF]};
      out->append(escaped, 6);
    }
  }
}

bool NeedsEscape(wchar_t c) {
  return c < 0x20 || c == L'"' || c == L'\\' || c == L'<';
}

void AppendQuoted(const std::wstring& text, std::wstring* out) {
  out->push_back(L'"');
  const wchar_t* p = text.data();
  const wchar_t* end = p + text.size();
  while (p < end) {
    // Plain runs are copied whole.
    const wchar_t* run = p;
    while (p < end && !NeedsEscape(*p) && (*p < 0xD800 || *p > 0xDFFF))
      ++p;
    out->append(run, p - run);
    if (p == end)
      break;
    const wchar_t c = *p++;
    if (IsHighSurrogate(c) && p < end && IsLowSurrogate(*p)) {
      out->push_back(c);
      out->push_back(*p++);
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      out->push_back(kReplacement);
    } else {
      AppendEscaped(c, out);
    }
  }
  out->push_back(L'"');
}

}  // namespace

std::wstring VoiceListToJson(const std::deque<std::wstring>& voices) {
  std::wstring json;
  json.reserve(EstimatedSize(voices));
  json.push_back(L'[');
  for (size_t i = 0; i < voices.size(); ++i) {
    if (i)
      json.push_back(L',');
    AppendQuoted(voices[i], &json);
  }
  json.push_back(L']');
  return json;
}
