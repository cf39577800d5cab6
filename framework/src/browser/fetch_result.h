// The outcome of fetching a navigation's document.
#ifndef FRAMEWORK_SRC_BROWSER_FETCH_RESULT_H_
#define FRAMEWORK_SRC_BROWSER_FETCH_RESULT_H_

#include <string>

#include "include/internal/cef_types.h"

namespace cef_internal {

struct FetchResult {
  cef_errorcode_t error = ERR_NONE;
  // What OnLoadEnd reports: the HTTP status, 200 for other schemes.
  int http_status = 0;
  // The document, decoded to UTF-16.
  std::wstring source;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_FETCH_RESULT_H_
