#include "bench/file_url.h"

#include "include/internal/cef_string.h"

std::string FileUrl(const std::wstring& path) {
  std::string url = "file:///" + CefString(path).ToString();
  for (char& c : url) {
    if (c == '\\')
      c = '/';
  }
  return url;
}
