// The items of a context menu.
#ifndef CEF_INCLUDE_CEF_MENU_MODEL_H_
#define CEF_INCLUDE_CEF_MENU_MODEL_H_

#include "include/cef_base.h"

class CefMenuModel : public virtual CefBase {
 public:
  virtual bool Clear() = 0;
  virtual int GetCount() = 0;
  virtual bool AddSeparator() = 0;
  virtual bool AddItem(int command_id, const CefString& label) = 0;
  virtual int GetCommandIdAt(int index) = 0;
  virtual CefString GetLabelAt(int index) = 0;
  virtual bool RemoveAt(int index) = 0;
};

#endif  // CEF_INCLUDE_CEF_MENU_MODEL_H_
