// Pages asking for a new window (window.open): OnBeforePopup decides, and an
// allowed pop-up becomes a browser of its own.
#ifndef FRAMEWORK_SRC_BROWSER_POPUP_OPENER_H_
#define FRAMEWORK_SRC_BROWSER_POPUP_OPENER_H_

#include <string>

#include "include/internal/cef_types.h"

namespace cef_internal {

class BrowserImpl;

class PopupOpener {
 public:
  // On the UI thread, for a request from |opener|'s frame |frame_id|.
  static void Open(BrowserImpl* opener,
                   int64 frame_id,
                   const std::wstring& target_url,
                   const std::wstring& target_name);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_POPUP_OPENER_H_
