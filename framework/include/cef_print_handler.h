// Printing; the stand-in never prints.
#ifndef CEF_INCLUDE_CEF_PRINT_HANDLER_H_
#define CEF_INCLUDE_CEF_PRINT_HANDLER_H_

#include "include/cef_base.h"

class CefPrintHandler : public virtual CefBase {
 public:
  virtual void OnPrintReset() {}
};

#endif  // CEF_INCLUDE_CEF_PRINT_HANDLER_H_
