// Download events. The stand-in never calls this handler; clients return null.
#ifndef CEF_INCLUDE_CEF_DOWNLOAD_HANDLER_H_
#define CEF_INCLUDE_CEF_DOWNLOAD_HANDLER_H_

#include "include/cef_base.h"

class CefDownloadHandler : public virtual CefBase {};

#endif  // CEF_INCLUDE_CEF_DOWNLOAD_HANDLER_H_
