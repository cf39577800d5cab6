// The framework's string: UTF-16 code units, either in a buffer the string
// owns or, when made from a |cef_string_t*|, in that C record, which reads
// and writes then go through (`CefString(&settings.log_file) = path;`). Made
// with |copy| false, it refers to the caller's units until it is assigned
// to; copies of it own their units.
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
  // |copy| false refers to |wide|, which must outlive this string (or its
  // next assignment); c_str() is then not terminated.
  CefString(const wchar_t* wide, size_t length, bool copy) {
    if (!wide || !length)
      return;
    if (copy) {
      str_.assign(wide, length);
      return;
    }
    own_record_.str = const_cast<wchar_t*>(wide);
    own_record_.length = length;
    record_ = &own_record_;
  }
  // Refers to |record| (not owned) until destroyed: nothing is copied.
  CefString(const cef_string_t* record)
      : record_(const_cast<cef_string_t*>(record)) {}
  // Frees what an assignment to a referring string made it own.
  ~CefString() {
    if (record_ == &own_record_)
      cef_string_utf16_clear(&own_record_);
  }

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
  // The record of a string made with |copy| false.
  cef_string_t own_record_ = {};
};

#endif  // CEF_INCLUDE_INTERNAL_CEF_STRING_H_
