#include "src/browser/context_menu_params_impl.h"

namespace cef_internal {

ContextMenuParamsImpl::ContextMenuParamsImpl(int x,
                                             int y,
                                             const CefString& page_url,
                                             const CefString& frame_url)
    : x_(x), y_(y), page_url_(page_url), frame_url_(frame_url) {}

int ContextMenuParamsImpl::GetXCoord() {
  return x_;
}

int ContextMenuParamsImpl::GetYCoord() {
  return y_;
}

CefString ContextMenuParamsImpl::GetLinkUrl() {
  return CefString();
}

CefString ContextMenuParamsImpl::GetPageUrl() {
  return page_url_;
}

CefString ContextMenuParamsImpl::GetFrameUrl() {
  return frame_url_;
}

}  // namespace cef_internal
