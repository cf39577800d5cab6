// Just enough URL handling for the stand-in's navigations and a page's script
// files: the scheme, a light canonical form, and the file-system path behind a
// file: URL.
#ifndef FRAMEWORK_SRC_CORE_URL_UTIL_H_
#define FRAMEWORK_SRC_CORE_URL_UTIL_H_

#include <string>

namespace cef_internal {

class UrlUtil {
 public:
  // The lower-cased scheme, or empty when |url| has none (unparsable).
  static std::wstring Scheme(const std::wstring& url);
  // |url| with a lower-cased scheme and, for http(s) without a path, "/".
  // Unparsable input comes back unchanged.
  static std::wstring Canonicalize(const std::wstring& url);
  // The path of a file: URL with %XX sequences decoded as UTF-8; a host
  // other than "localhost" gives a UNC path. False when |url| is not a
  // usable file: URL.
  static bool FileUrlToPath(const std::wstring& url, std::wstring* path);
  // Decodes %XX escapes (bytes taken as UTF-8). Malformed escapes stay.
  static std::wstring UnescapeUtf8(const std::wstring& text);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_URL_UTIL_H_
