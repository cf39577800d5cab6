// The outcome of fetching a navigation's document.
#ifndef FRAMEWORK_SRC_BROWSER_FETCH_RESULT_H_
#define FRAMEWORK_SRC_BROWSER_FETCH_RESULT_H_

#include <memory>
#include <string>

#include "include/internal/cef_types.h"

namespace cef_internal {

struct FetchResult {
  cef_errorcode_t error = ERR_NONE;
  // What OnLoadEnd reports: the HTTP status, 200 for other schemes.
  int http_status = 0;
  // The document, decoded to UTF-16.
  std::wstring source;
  // With a redirect (http_status 3xx): where to, as the server wrote it.
  std::wstring redirect_to;
  // The share of the fetch budget the document holds, given back when the
  // last copy of the result goes.
  std::shared_ptr<void> budget;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_FETCH_RESULT_H_
