// Find events. The stand-in never calls this handler; clients return null.
#ifndef CEF_INCLUDE_CEF_FIND_HANDLER_H_
#define CEF_INCLUDE_CEF_FIND_HANDLER_H_

#include "include/cef_base.h"

class CefFindHandler : public virtual CefBase {};

#endif  // CEF_INCLUDE_CEF_FIND_HANDLER_H_
