// Where a context menu was asked for and what was under the pointer.
#ifndef FRAMEWORK_SRC_BROWSER_CONTEXT_MENU_PARAMS_IMPL_H_
#define FRAMEWORK_SRC_BROWSER_CONTEXT_MENU_PARAMS_IMPL_H_

#include "include/cef_context_menu_handler.h"

namespace cef_internal {

class ContextMenuParamsImpl : public CefContextMenuParams {
 public:
  // |x|, |y| in the browser window's client coordinates.
  ContextMenuParamsImpl(int x,
                        int y,
                        const CefString& page_url,
                        const CefString& frame_url);

  int GetXCoord() override;
  int GetYCoord() override;
  // The stand-in has no hit testing: never a link.
  CefString GetLinkUrl() override;
  CefString GetPageUrl() override;
  CefString GetFrameUrl() override;

 private:
  const int x_;
  const int y_;
  const CefString page_url_;
  const CefString frame_url_;

  IMPLEMENT_REFCOUNTING(ContextMenuParamsImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_CONTEXT_MENU_PARAMS_IMPL_H_
