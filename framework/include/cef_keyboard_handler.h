// Keyboard events. The stand-in never calls this handler; clients return null.
#ifndef CEF_INCLUDE_CEF_KEYBOARD_HANDLER_H_
#define CEF_INCLUDE_CEF_KEYBOARD_HANDLER_H_

#include "include/cef_base.h"

class CefKeyboardHandler : public virtual CefBase {};

#endif  // CEF_INCLUDE_CEF_KEYBOARD_HANDLER_H_
