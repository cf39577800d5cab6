// The framework's string: UTF-16 code units in a buffer the string owns.
#ifndef CEF_INCLUDE_INTERNAL_CEF_STRING_H_
#define CEF_INCLUDE_INTERNAL_CEF_STRING_H_

#include <cstddef>
#include <string>

typedef wchar_t char16;
typedef wchar_t cef_char_t;

class CefString {
 public:
  CefString() {}
  CefString(const CefString& other) = default;
  CefString(CefString&& other) noexcept = default;
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
  CefString(const wchar_t* wide, size_t length) : str_(wide, length) {}

  CefString& operator=(const CefString& other) = default;
  CefString& operator=(CefString&& other) noexcept = default;
  CefString& operator=(const std::string& utf8) {
    FromString(utf8);
    return *this;
  }
  CefString& operator=(const char* utf8) { return *this = CefString(utf8); }
  CefString& operator=(const std::wstring& wide) {
    str_ = wide;
    return *this;
  }
  CefString& operator=(const wchar_t* wide) { return *this = CefString(wide); }

  const wchar_t* c_str() const { return str_.c_str(); }
  size_t length() const { return str_.length(); }
  size_t size() const { return str_.size(); }
  bool empty() const { return str_.empty(); }
  void clear() { str_.clear(); }
  int compare(const CefString& other) const { return str_.compare(other.str_); }

  // UTF-8; a lone surrogate becomes U+FFFD.
  std::string ToString() const;
  std::wstring ToWString() const { return str_; }
  std::wstring ToString16() const { return str_; }

  bool FromString(const std::string& utf8);
  bool FromWString(const std::wstring& wide) {
    str_ = wide;
    return true;
  }
  bool FromASCII(const char* ascii);

  operator std::string() const { return ToString(); }
  operator std::wstring() const { return str_; }

  bool operator==(const CefString& other) const { return str_ == other.str_; }
  bool operator!=(const CefString& other) const { return str_ != other.str_; }
  bool operator<(const CefString& other) const { return str_ < other.str_; }
  // Literal comparisons without an intermediate conversion.
  bool operator==(const wchar_t* other) const { return other && str_ == other; }
  bool operator!=(const wchar_t* other) const { return !(*this == other); }

 private:
  std::wstring str_;
};

#endif  // CEF_INCLUDE_INTERNAL_CEF_STRING_H_
