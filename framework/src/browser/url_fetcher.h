// Fetches the document of a navigation: file:, http(s): and about:blank.
// Other schemes fail the way the real framework's network stack fails them.
#ifndef FRAMEWORK_SRC_BROWSER_URL_FETCHER_H_
#define FRAMEWORK_SRC_BROWSER_URL_FETCHER_H_

#include <functional>
#include <string>

#include "src/browser/fetch_result.h"

namespace cef_internal {

class MessageLoop;

class UrlFetcher {
 public:
  typedef std::function<void(const FetchResult&)> Callback;

  // Blocking; call off the UI thread.
  static FetchResult Fetch(const std::wstring& url);

  // Fetches on a worker thread and runs |done| as a task on |reply_loop|.
  static void FetchAsync(const std::wstring& url,
                         MessageLoop* reply_loop,
                         Callback done);

  // The text OnLoadError passes with |error| ("net::ERR_ABORTED").
  static std::wstring ErrorText(cef_errorcode_t error);

 private:
  static FetchResult FetchFile(const std::wstring& url);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_URL_FETCHER_H_
