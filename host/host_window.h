// The host's visible top-level window: parent of the page browsers and the
// receiver of the options-changed notification.
#ifndef HOST_HOST_WINDOW_H_
#define HOST_HOST_WINDOW_H_

#include <windows.h>

#include <functional>

class HostWindow {
 public:
  // |on_options_changed| runs for every kOptionsChangedMessage, with its
  // wParam and lParam.
  HostWindow(const RECT& bounds,
             std::function<void(WPARAM, LPARAM)> on_options_changed);
  ~HostWindow();

  HWND hwnd() const { return hwnd_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd,
                                     UINT message,
                                     WPARAM wparam,
                                     LPARAM lparam);

  HWND hwnd_ = nullptr;
  std::function<void(WPARAM, LPARAM)> on_options_changed_;
};

#endif  // HOST_HOST_WINDOW_H_
