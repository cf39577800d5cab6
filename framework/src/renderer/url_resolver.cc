#include "src/renderer/url_resolver.h"

#include <vector>

namespace cef_internal {

namespace {

bool IsAlpha(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// Length of "scheme:" at the start of |url|, or 0.
size_t SchemeLength(const std::wstring& url) {
  if (url.empty() || !IsAlpha(url[0]))
    return 0;
  for (size_t i = 1; i < url.size(); ++i) {
    wchar_t c = url[i];
    if (c == L':')
      return i + 1;
    if (!IsAlpha(c) && !(c >= L'0' && c <= L'9') && c != L'+' && c != L'-' &&
        c != L'.') {
      return 0;
    }
  }
  return 0;
}

std::wstring StripFragment(const std::wstring& url) {
  return url.substr(0, url.find(L'#'));
}

// Removes "." and ".." segments of an absolute path.
std::wstring RemoveDotSegments(const std::wstring& path) {
  std::vector<std::wstring> out;
  size_t pos = 1;
  bool trailing_slash = false;
  while (pos <= path.size()) {
    size_t end = path.find(L'/', pos);
    if (end == std::wstring::npos)
      end = path.size();
    std::wstring segment = path.substr(pos, end - pos);
    trailing_slash = segment == L"." || segment == L"..";
    if (segment == L"..") {
      if (!out.empty())
        out.pop_back();
    } else if (segment != L".") {
      out.push_back(segment);
    }
    pos = end + 1;
  }
  std::wstring result;
  for (const std::wstring& segment : out)
    result += L"/" + segment;
  if (trailing_slash || result.empty())
    result += L"/";
  return result;
}

// True for "/C:" style starts of Windows file paths.
bool StartsWithDrive(const std::wstring& path) {
  return path.size() >= 3 && path[0] == L'/' && IsAlpha(path[1]) &&
         (path[2] == L':' || path[2] == L'|');
}

}  // namespace

std::wstring UrlResolver::Resolve(const std::wstring& base,
                                  const std::wstring& reference) {
  if (SchemeLength(reference) > 1)
    return reference;
  size_t scheme_length = SchemeLength(base);
  if (scheme_length == 0 || base.compare(scheme_length, 2, L"//") != 0)
    return reference;
  const std::wstring scheme = base.substr(0, scheme_length);
  size_t path_start = base.find_first_of(L"/?#", scheme_length + 2);
  if (path_start == std::wstring::npos)
    path_start = base.size();
  const std::wstring origin = base.substr(0, path_start);
  size_t path_end = base.find_first_of(L"?#", path_start);
  if (path_end == std::wstring::npos)
    path_end = base.size();
  std::wstring base_path = base.substr(path_start, path_end - path_start);
  if (base_path.empty())
    base_path = L"/";

  if (reference.empty())
    return StripFragment(base);
  if (reference.compare(0, 2, L"//") == 0)
    return scheme + reference;
  if (reference[0] == L'#')
    return StripFragment(base) + reference;
  if (reference[0] == L'?')
    return origin + base_path + reference;

  size_t ref_path_end = reference.find_first_of(L"?#");
  if (ref_path_end == std::wstring::npos)
    ref_path_end = reference.size();
  std::wstring ref_path = reference.substr(0, ref_path_end);
  const std::wstring suffix = reference.substr(ref_path_end);
  std::wstring joined;
  if (ref_path[0] == L'/') {
    // A file: URL keeps its drive, as browsers on Windows do.
    bool keep_drive = scheme == L"file:" && StartsWithDrive(base_path) &&
                      !StartsWithDrive(ref_path);
    joined = keep_drive ? base_path.substr(0, 3) + ref_path : ref_path;
  } else {
    joined = base_path.substr(0, base_path.rfind(L'/') + 1) + ref_path;
  }
  return origin + RemoveDotSegments(joined) + suffix;
}

}  // namespace cef_internal
