#include "include/internal/cef_string.h"

#include <windows.h>

std::string CefString::ToString() const {
  if (str_.empty())
    return std::string();
  // Without WC_ERR_INVALID_CHARS a lone surrogate becomes U+FFFD.
  int size = WideCharToMultiByte(CP_UTF8, 0, str_.data(),
                                 static_cast<int>(str_.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, str_.data(), static_cast<int>(str_.size()),
                      &out[0], size, nullptr, nullptr);
  return out;
}

bool CefString::FromString(const std::string& utf8) {
  str_.clear();
  if (utf8.empty())
    return true;
  int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                 static_cast<int>(utf8.size()), nullptr, 0);
  str_.resize(size);
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                      &str_[0], size);
  return true;
}

bool CefString::FromASCII(const char* ascii) {
  str_.clear();
  if (!ascii)
    return true;
  for (; *ascii; ++ascii)
    str_.push_back(static_cast<unsigned char>(*ascii));
  return true;
}
