// Thread rules a callback states in code: CEF_REQUIRE_UI_THREAD() and the
// others DCHECK that the caller is on that framework thread (see
// CefCurrentlyOn), so a debug build ends the process at a call on the wrong
// one and a release build checks nothing.
#ifndef CEF_INCLUDE_WRAPPER_CEF_HELPERS_H_
#define CEF_INCLUDE_WRAPPER_CEF_HELPERS_H_

#include "include/base/cef_logging.h"
#include "include/cef_task.h"

#define CEF_REQUIRE_UI_THREAD() DCHECK(CefCurrentlyOn(TID_UI));
#define CEF_REQUIRE_IO_THREAD() DCHECK(CefCurrentlyOn(TID_IO));
#define CEF_REQUIRE_FILE_THREAD() DCHECK(CefCurrentlyOn(TID_FILE));
#define CEF_REQUIRE_RENDERER_THREAD() DCHECK(CefCurrentlyOn(TID_RENDERER));

#endif  // CEF_INCLUDE_WRAPPER_CEF_HELPERS_H_
