// JSDialog events. The stand-in never calls this handler; clients return null.
#ifndef CEF_INCLUDE_CEF_JSDIALOG_HANDLER_H_
#define CEF_INCLUDE_CEF_JSDIALOG_HANDLER_H_

#include "include/cef_base.h"

class CefJSDialogHandler : public virtual CefBase {};

#endif  // CEF_INCLUDE_CEF_JSDIALOG_HANDLER_H_
