// Just enough URL handling for the stand-in's navigations and a page's script
// files: the scheme, a light canonical form, and the file-system path behind a
// file: URL.
#ifndef FRAMEWORK_SRC_CORE_URL_UTIL_H_
#define FRAMEWORK_SRC_CORE_URL_UTIL_H_

#include <string>

namespace cef_internal {

// The pieces of an http: or https: URL, split the way the real framework's
// URL parser splits them: the authority ends at the first '/', '\\', '?' or
// '#', and the host follows its last '@'.
struct HttpUrlParts {
  bool secure = false;
  std::wstring host;  // lower case
  int port = 0;       // the scheme's default when none is given
  bool default_port = true;
  // Path (never empty) and query, as sent in the request line.
  std::wstring target;
  // "#..." or empty; never sent.
  std::wstring fragment;
  // scheme://host[:port] + target + fragment: what a frame reports.
  std::wstring Url() const;
};

class UrlUtil {
 public:
  // The lower-cased scheme, or empty when |url| has none (unparsable).
  static std::wstring Scheme(const std::wstring& url);
  // |url| with a lower-cased scheme; http(s) URLs as ParseHttp() reads
  // them (HttpUrlParts::Url()), so that what a frame reports is what was
  // fetched. Unparsable input comes back unchanged.
  static std::wstring Canonicalize(const std::wstring& url);
  // False when |url| is not a usable http: or https: URL.
  static bool ParseHttp(const std::wstring& url, HttpUrlParts* parts);
  // The path of a file: URL with %XX sequences decoded as UTF-8; a host
  // other than "localhost" gives a UNC path. False when |url| is not a
  // usable file: URL.
  static bool FileUrlToPath(const std::wstring& url, std::wstring* path);
  // Decodes %XX escapes (bytes taken as UTF-8). Malformed escapes stay.
  static std::wstring UnescapeUtf8(const std::wstring& text);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_URL_UTIL_H_
