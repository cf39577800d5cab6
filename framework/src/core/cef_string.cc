#include "include/internal/cef_string.h"

#include <windows.h>

#include <cstring>

namespace {

void FreeUnits(char16* units) {
  delete[] units;
}

std::wstring Utf8ToWide(const std::string& utf8) {
  std::wstring wide;
  if (utf8.empty())
    return wide;
  int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                 static_cast<int>(utf8.size()), nullptr, 0);
  wide.resize(size);
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                      &wide[0], size);
  return wide;
}

}  // namespace

extern "C" int cef_string_utf16_set(const char16* src,
                                    size_t src_len,
                                    cef_string_utf16_t* output,
                                    int copy) {
  if (!output)
    return 0;
  cef_string_utf16_clear(output);
  if (!src || src_len == 0)
    return 1;
  if (copy) {
    char16* units = new char16[src_len + 1];
    std::memcpy(units, src, src_len * sizeof(char16));
    units[src_len] = 0;
    output->str = units;
    output->dtor = FreeUnits;
  } else {
    output->str = const_cast<char16*>(src);
    output->dtor = nullptr;
  }
  output->length = src_len;
  return 1;
}

extern "C" void cef_string_utf16_clear(cef_string_utf16_t* str) {
  if (!str)
    return;
  if (str->dtor && str->str)
    str->dtor(str->str);
  str->str = nullptr;
  str->length = 0;
  str->dtor = nullptr;
}

extern "C" int cef_string_utf16_cmp(const cef_string_utf16_t* str1,
                                    const cef_string_utf16_t* str2) {
  std::wstring_view a(str1->str, str1->length);
  std::wstring_view b(str2->str, str2->length);
  return a.compare(b);
}

void CefString::Assign(const wchar_t* units, size_t count) {
  if (!record_) {
    if (units)
      str_.assign(units, count);
    else
      str_.clear();
    return;
  }
  if (units == record_->str && count == record_->length)
    return;
  // The source may lie inside the record's own buffer: copy it out first.
  std::wstring copy(units ? units : L"", units ? count : 0);
  cef_string_utf16_set(copy.data(), copy.size(), record_, 1);
}

std::string CefString::ToString() const {
  if (empty())
    return std::string();
  // Without WC_ERR_INVALID_CHARS a lone surrogate becomes U+FFFD.
  int size = WideCharToMultiByte(CP_UTF8, 0, data(), static_cast<int>(length()),
                                 nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, data(), static_cast<int>(length()), &out[0],
                      size, nullptr, nullptr);
  return out;
}

bool CefString::FromString(const std::string& utf8) {
  std::wstring wide = Utf8ToWide(utf8);
  Assign(wide.data(), wide.size());
  return true;
}

bool CefString::FromASCII(const char* ascii) {
  std::wstring wide;
  for (; ascii && *ascii; ++ascii)
    wide.push_back(static_cast<unsigned char>(*ascii));
  Assign(wide.data(), wide.size());
  return true;
}
