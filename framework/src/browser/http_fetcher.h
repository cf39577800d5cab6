// Fetches http: and https: documents through WinHTTP.
#ifndef FRAMEWORK_SRC_BROWSER_HTTP_FETCHER_H_
#define FRAMEWORK_SRC_BROWSER_HTTP_FETCHER_H_

#include <atomic>
#include <string>

#include "src/browser/fetch_result.h"
#include "src/core/url_util.h"

namespace cef_internal {

class HttpFetcher {
 public:
  // Blocking; call off the UI thread. |body| receives the raw bytes, at
  // most |max_bytes| (more: ERR_FILE_TOO_BIG). Redirects are not followed:
  // a 3xx answer with a Location comes back with |redirect_to| set. Once
  // |cancelled| is set the fetch ends with ERR_ABORTED.
  static FetchResult Fetch(const HttpUrlParts& url,
                           size_t max_bytes,
                           const std::atomic<bool>* cancelled,
                           std::string* body);

  // The network error for a WinHTTP error code.
  static cef_errorcode_t ErrorFromWinHttp(unsigned long error);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_HTTP_FETCHER_H_
