// Fetches the document of a navigation: file:, http(s): and about:blank.
// Other schemes fail the way the real framework's network stack fails them.
#ifndef FRAMEWORK_SRC_BROWSER_URL_FETCHER_H_
#define FRAMEWORK_SRC_BROWSER_URL_FETCHER_H_

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "src/browser/fetch_result.h"

namespace cef_internal {

class MessageLoop;

class UrlFetcher {
 public:
  typedef std::function<void(const FetchResult&)> Callback;
  // Set by the navigation once it no longer wants the document.
  typedef std::shared_ptr<std::atomic<bool>> CancelFlag;

  // The largest document a frame takes, in bytes as stored or served: what
  // a render process can hold and the channel can carry, many frames over.
  static constexpr size_t kMaxDocumentBytes = 16 * 1024 * 1024;

  // Blocking; call off the UI thread. Once |cancelled| is set the fetch may
  // end early with ERR_ABORTED.
  static FetchResult Fetch(const std::wstring& url,
                           const std::atomic<bool>* cancelled = nullptr);

  // Fetches on one of the process's fetch workers and runs |done| as a task
  // on |reply_loop|; a fetch whose |cancel| is set by its turn is not made
  // (|done| still runs, with ERR_ABORTED). False (|done| is dropped) when no
  // worker can be had.
  static bool FetchAsync(const std::wstring& url,
                         CancelFlag cancel,
                         MessageLoop* reply_loop,
                         Callback done);

  // The text OnLoadError passes with |error| ("net::ERR_ABORTED").
  static std::wstring ErrorText(cef_errorcode_t error);

 private:
  static FetchResult FetchFile(const std::wstring& url);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_URL_FETCHER_H_
