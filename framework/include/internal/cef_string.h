// The framework's string: UTF-16 code units, either in a buffer the string
// owns or, when made from a |cef_string_t*|, in that C record, which reads
// and writes then go through (`CefString(&settings.log_file) = path;`).
#ifndef CEF_INCLUDE_INTERNAL_CEF_STRING_H_
#define CEF_INCLUDE_INTERNAL_CEF_STRING_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "include/internal/cef_string_types.h"

class CefString {
 public:
  CefString() {}
  // Copies the text, also from a string that refers to a C record.
  CefString(const CefString& other) : str_(other.data(), other.length()) {}
  CefString(CefString&& other) noexcept { *this = std::move(other); }
  // UTF-8 input; invalid sequences become U+FFFD.
  CefString(const std::string& utf8) { FromString(utf8); }
  CefString(const char* utf8) {
    if (utf8)
      FromString(std::string(utf8));
  }
  CefString(const std::wstring& wide) : str_(wide) {}
  CefString(const wchar_t* wide) {
    if (wide)
      str_ = wide;
  }
  CefString(const wchar_t* wide, size_t length) {
    if (wide)
      str_.assign(wide, length);
  }
  // |copy| is accepted for the framework's signature; the text is always
  // copied.
  CefString(const wchar_t* wide, size_t length, bool copy)
      : CefString(wide, length) {}
  // Refers to |record| (not owned) until destroyed: nothing is copied.
  CefString(const cef_string_t* record)
      : record_(const_cast<cef_string_t*>(record)) {}

  CefString& operator=(const CefString& other) {
    Assign(other.data(), other.length());
    return *this;
  }
  CefString& operator=(CefString&& other) noexcept {
    if (!record_ && !other.record_)
      str_ = std::move(other.str_);
    else
      Assign(other.data(), other.length());
    return *this;
  }
  CefString& operator=(const std::string& utf8) {
    FromString(utf8);
    return *this;
  }
  CefString& operator=(const char* utf8) { return *this = CefString(utf8); }
  CefString& operator=(const std::wstring& wide) {
    Assign(wide.data(), wide.size());
    return *this;
  }
  CefString& operator=(const wchar_t* wide) { return *this = CefString(wide); }

  // Never null; an empty string gives "".
  const wchar_t* c_str() const {
    return record_ ? (record_->str ? record_->str : L"") : str_.c_str();
  }
  size_t length() const { return record_ ? record_->length : str_.length(); }
  size_t size() const { return length(); }
  bool empty() const { return length() == 0; }
  void clear() { Assign(nullptr, 0); }
  int compare(const CefString& other) const {
    return std::wstring_view(data(), length())
        .compare(std::wstring_view(other.data(), other.length()));
  }

  // UTF-8; a lone surrogate becomes U+FFFD.
  std::string ToString() const;
  std::wstring ToWString() const { return std::wstring(data(), length()); }
  std::wstring ToString16() const { return ToWString(); }

  bool FromString(const std::string& utf8);
  bool FromWString(const std::wstring& wide) {
    Assign(wide.data(), wide.size());
    return true;
  }
  bool FromASCII(const char* ascii);

  operator std::string() const { return ToString(); }
  operator std::wstring() const { return ToWString(); }

  bool operator==(const CefString& other) const { return compare(other) == 0; }
  bool operator!=(const CefString& other) const { return compare(other) != 0; }
  bool operator<(const CefString& other) const { return compare(other) < 0; }
  // Literal comparisons without an intermediate conversion.
  bool operator==(const wchar_t* other) const {
    return other && std::wstring_view(data(), length()) == other;
  }
  bool operator!=(const wchar_t* other) const { return !(*this == other); }

 private:
  const wchar_t* data() const { return record_ ? record_->str : str_.data(); }
  void Assign(const wchar_t* units, size_t count);

  std::wstring str_;
  cef_string_t* record_ = nullptr;
};

#endif  // CEF_INCLUDE_INTERNAL_CEF_STRING_H_
