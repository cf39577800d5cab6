// Fetches http: and https: documents through WinHTTP.
#ifndef FRAMEWORK_SRC_BROWSER_HTTP_FETCHER_H_
#define FRAMEWORK_SRC_BROWSER_HTTP_FETCHER_H_

#include <string>

#include "src/browser/fetch_result.h"

namespace cef_internal {

class HttpFetcher {
 public:
  // Blocking; call off the UI thread. |body| receives the raw bytes.
  static FetchResult Fetch(const std::wstring& url, std::string* body);

  // The network error for a WinHTTP error code.
  static cef_errorcode_t ErrorFromWinHttp(unsigned long error);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_HTTP_FETCHER_H_
