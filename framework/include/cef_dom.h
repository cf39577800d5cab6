// Document nodes; the stand-in's small page model never hands any out.
#ifndef CEF_INCLUDE_CEF_DOM_H_
#define CEF_INCLUDE_CEF_DOM_H_

#include "include/cef_base.h"

class CefDOMNode : public virtual CefBase {
 public:
  virtual bool IsEditable() = 0;
};

#endif  // CEF_INCLUDE_CEF_DOM_H_
