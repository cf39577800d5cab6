// The main of a render process of its own ("--type=renderer"): connects to
// the browser process's pipe and runs the render side on this thread until
// the browser process ends it or goes away.
#ifndef FRAMEWORK_SRC_PROCESS_RENDER_PROCESS_MAIN_H_
#define FRAMEWORK_SRC_PROCESS_RENDER_PROCESS_MAIN_H_

#include "include/cef_app.h"

namespace cef_internal {

class RenderProcessMain {
 public:
  // Returns the exit code: 0 after kShutdown, kBrowserProcessLostExitCode
  // when the browser process went away, kNoChannelExitCode without a usable
  // channel.
  static int Run(CefRefPtr<CefApp> app);

  RenderProcessMain() = delete;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_PROCESS_RENDER_PROCESS_MAIN_H_
