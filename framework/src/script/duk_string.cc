#include "src/script/duk_string.h"

#include "src/script/script_text.h"

namespace cef_internal {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

void AppendCodePoint(unsigned int code, std::wstring* out) {
  if (code >= 0x10000 && code <= 0x10FFFF) {
    code -= 0x10000;
    out->push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
    out->push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
  } else if (code > 0x10FFFF) {
    out->push_back(kReplacement);
  } else {
    out->push_back(static_cast<wchar_t>(code));
  }
}

// Decodes one sequence at |*pos|; returns false (consuming one byte) when the
// bytes there are not a well-formed sequence.
bool DecodeOne(const unsigned char* data,
               size_t length,
               size_t* pos,
               unsigned int* code) {
  unsigned char lead = data[*pos];
  int extra;
  unsigned int value;
  if (lead < 0x80) {
    *code = lead;
    ++*pos;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    value = lead & 0x07;
  } else {
    ++*pos;
    return false;
  }
  if (*pos + extra >= length) {
    ++*pos;
    return false;
  }
  for (int i = 1; i <= extra; ++i) {
    unsigned char next = data[*pos + i];
    if ((next & 0xC0) != 0x80) {
      ++*pos;
      return false;
    }
    value = (value << 6) | (next & 0x3F);
  }
  *pos += extra + 1;
  *code = value;
  return true;
}

}  // namespace

char* WriteCesu8(const wchar_t* data, size_t count, char* out) {
  for (size_t i = 0; i < count; ++i) {
    const unsigned int code = static_cast<unsigned int>(data[i]) & 0xFFFF;
    if (code < 0x80) {
      *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
      *out++ = static_cast<char>(0xC0 | (code >> 6));
      *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
      *out++ = static_cast<char>(0xE0 | (code >> 12));
      *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

std::string ToCesu8(const CefString& text) {
  // Sized once for the worst case, then cut to what was written.
  std::string out(text.length() * 3, '\0');
  char* begin = &out[0];
  out.resize(WriteCesu8(text.c_str(), text.length(), begin) - begin);
  return out;
}

CefString FromCesu8(const char* data, size_t length) {
  std::wstring out;
  if (!data)
    return CefString();
  out.reserve(length);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
  size_t pos = 0;
  while (pos < length) {
    unsigned int code = 0;
    if (DecodeOne(bytes, length, &pos, &code))
      AppendCodePoint(code, &out);
    else
      out.push_back(kReplacement);
  }
  return CefString(out);
}

void PushCefString(duk_context* ctx, const CefString& text) {
  // Short strings, the common case, need no heap block of their own.
  char small[3 * 128];
  if (text.length() <= 128) {
    char* end = WriteCesu8(text.c_str(), text.length(), small);
    duk_push_lstring(ctx, small, end - small);
    return;
  }
  // Longer ones are converted once, without zero-filling, into a block the
  // next long string may use again.
  ScriptText(text).Push(ctx);
}

CefString GetCefString(duk_context* ctx, duk_idx_t index) {
  if (!duk_is_string(ctx, index) || duk_is_symbol(ctx, index))
    return CefString();
  duk_size_t length = 0;
  const char* data = duk_get_lstring(ctx, index, &length);
  return FromCesu8(data, length);
}

}  // namespace cef_internal
