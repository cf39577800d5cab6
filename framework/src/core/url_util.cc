#include "src/core/url_util.h"

#include <windows.h>

namespace cef_internal {

namespace {

bool IsSchemeChar(wchar_t c, bool first) {
  if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'))
    return true;
  if (first)
    return false;
  return (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.';
}

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9')
    return c - L'0';
  if (c >= L'a' && c <= L'f')
    return c - L'a' + 10;
  if (c >= L'A' && c <= L'F')
    return c - L'A' + 10;
  return -1;
}

std::wstring Utf8ToWide(const std::string& bytes) {
  if (bytes.empty())
    return std::wstring();
  int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(),
                                 static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                      &out[0], size);
  return out;
}

std::string WideToUtf8(const std::wstring& wide) {
  if (wide.empty())
    return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(),
                                 static_cast<int>(wide.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                      &out[0], size, nullptr, nullptr);
  return out;
}

}  // namespace

std::wstring UrlUtil::Scheme(const std::wstring& url) {
  size_t colon = url.find(L':');
  if (colon == std::wstring::npos || colon == 0)
    return std::wstring();
  std::wstring scheme;
  for (size_t i = 0; i < colon; ++i) {
    if (!IsSchemeChar(url[i], i == 0))
      return std::wstring();
    scheme.push_back(static_cast<wchar_t>(towlower(url[i])));
  }
  return scheme;
}

std::wstring UrlUtil::Canonicalize(const std::wstring& url) {
  std::wstring scheme = Scheme(url);
  if (scheme.empty())
    return url;
  std::wstring out = scheme + url.substr(scheme.size());
  if ((scheme == L"http" || scheme == L"https") &&
      out.compare(scheme.size(), 3, L"://") == 0) {
    size_t host_start = scheme.size() + 3;
    if (out.find_first_of(L"/?#", host_start) == std::wstring::npos)
      out += L"/";
  }
  return out;
}

std::wstring UrlUtil::UnescapeUtf8(const std::wstring& text) {
  // Escapes stand for bytes; the bytes of one character may span several.
  std::string bytes = WideToUtf8(text);
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '%' && i + 2 < bytes.size()) {
      int high = HexValue(bytes[i + 1]);
      int low = HexValue(bytes[i + 2]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    out.push_back(bytes[i]);
  }
  return Utf8ToWide(out);
}

bool UrlUtil::FileUrlToPath(const std::wstring& url, std::wstring* path) {
  if (Scheme(url) != L"file")
    return false;
  std::wstring rest = url.substr(5);
  // Query and fragment are not part of the path.
  size_t end = rest.find_first_of(L"?#");
  if (end != std::wstring::npos)
    rest.resize(end);
  if (rest.compare(0, 2, L"//") != 0)
    return false;
  rest = rest.substr(2);
  size_t slash = rest.find(L'/');
  std::wstring host = rest.substr(0, slash);
  std::wstring file_path =
      slash == std::wstring::npos ? std::wstring() : rest.substr(slash);
  file_path = UnescapeUtf8(file_path);
  if (file_path.find(L'\0') != std::wstring::npos)
    return false;
  for (wchar_t& c : file_path) {
    if (c == L'/')
      c = L'\\';
  }
  if (!host.empty() && _wcsicmp(host.c_str(), L"localhost") != 0) {
    *path = L"\\\\" + host + file_path;
    return true;
  }
  // "\C:\dir\x.html" -> "C:\dir\x.html"; a path without a drive keeps its
  // leading backslash (root of the current drive).
  if (file_path.size() >= 3 && file_path[0] == L'\\' && file_path[2] == L':')
    file_path = file_path.substr(1);
  if (file_path.empty())
    return false;
  *path = file_path;
  return true;
}

}  // namespace cef_internal
