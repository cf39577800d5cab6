// What a render-side browser needs from the render process that owns it.
#ifndef FRAMEWORK_SRC_RENDERER_RENDER_SIDE_H_
#define FRAMEWORK_SRC_RENDERER_RENDER_SIDE_H_

#include "include/cef_values.h"
#include "src/channel/channel.h"

namespace cef_internal {

class RenderSide {
 public:
  // False once the browser side cannot be reached.
  virtual bool SendToBrowser(Op op, CefRefPtr<CefListValue> args) = 0;

 protected:
  virtual ~RenderSide() {}
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_RENDERER_RENDER_SIDE_H_
