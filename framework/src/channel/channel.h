// The one link between the browser side and the render side of the framework:
// an ordered stream of (op, argument list) pairs. Single-process mode joins
// the two sides with an in-memory channel on one thread; multi-process mode
// carries the same pairs over a named pipe. Code above the channel never
// knows which.
#ifndef FRAMEWORK_SRC_CHANNEL_CHANNEL_H_
#define FRAMEWORK_SRC_CHANNEL_CHANNEL_H_

#include "include/cef_values.h"

namespace cef_internal {

// Frame identifiers are made without a round trip: the main frame of browser
// B is B * kFramesPerBrowser; the render side numbers the sub-frames it finds
// B * kFramesPerBrowser + 1, + 2, ...
constexpr int64 kFramesPerBrowser = 100000;
inline int64 MainFrameId(int browser_id) {
  return static_cast<int64>(browser_id) * kFramesPerBrowser;
}
// Frames a page has at a time, its main frame included: the engine's own
// limit. The render side makes no more; the browser side takes no more.
constexpr size_t kMaxFramesPerPage = 1000;
inline int BrowserIdOfFrame(int64 frame_id) {
  return static_cast<int>(frame_id / kFramesPerBrowser);
}

// Argument layouts are given per op; ids travel as ints (frame ids as
// doubles, since a list holds no 64-bit integers).
enum class Op : int {
  // browser -> render
  kBrowserCreated = 1,  // [browser_id:int, is_popup:bool]
  kBrowserDestroyed,    // [browser_id:int]
  // A new document for a frame: release the old context, make a new one
  // (OnContextCreated) and answer kDocumentStarted. With run_at_once the
  // document then runs as for kRunDocument; without it, it waits for one.
  kCommitNavigation,  // [browser_id, frame_id:double, url:string,
                      //  source:string, run_at_once:bool]
  // Runs the committed document's inline scripts in order, creates its
  // sub-frames, fires window.onload, then answers kDocumentLoaded.
  kRunDocument,        // [browser_id, frame_id:double]
  kExecuteJavaScript,  // [browser_id, frame_id:double, code, url, line:int]
  kShutdown,           // []: end the render process
  // both ways
  kProcessMessage,  // [browser_id, name:string, arguments:list]
  // render -> browser
  kDocumentLoaded,   // [browser_id, frame_id:double]
  kSubframeCreated,  // [browser_id, parent_frame_id:double, frame_id:double,
                     //  url:string (resolved against the parent), name]
  kConsoleMessage,   // [browser_id, message, source, line:int]
  kOpenPopup,        // [browser_id, frame_id:double, url:string, target_name]
  kCloseBrowser,     // [browser_id]: window.close()
  // browser -> render, only to a render process of its own and before any
  // other op: what OnRenderProcessThreadCreated put in the list, for the
  // render side's OnRenderThreadCreated.
  kRenderThreadCreated,  // [extra_info:list]
  // render -> browser: a committed document has its context; |waiting|: it
  // runs only once kRunDocument comes.
  kDocumentStarted,  // [browser_id, frame_id:double, waiting:bool]
  // render -> browser: the page navigates its frame (location.href = ...).
  kNavigateFrame,  // [browser_id, frame_id:double, url:string (resolved)]

  // The pipe channel's own, never delivered: the server offers a
  // shared-memory link as its first frame [section and event handles, in
  // the client]; the client's frames go through it after kLinkTaken, the
  // server's after kLinkSwitch. A peer that never answers keeps the pipe.
  kLinkOffer = 0xFF00,
  kLinkTaken,
  kLinkSwitch,
};

class Channel {
 public:
  // Called on the thread that owns the channel's end.
  class Delegate {
   public:
    virtual void OnChannelMessage(Op op, CefRefPtr<CefListValue> args) = 0;
    // The other end is gone (its process ended or the pipe broke).
    virtual void OnChannelClosed() = 0;

   protected:
    virtual ~Delegate() {}
  };

  virtual ~Channel() {}
  virtual void SetDelegate(Delegate* delegate) = 0;
  // Sends a copy of |args|; never blocks on the peer and never calls the
  // delegate re-entrantly. Returns false once the channel is closed.
  virtual bool Send(Op op, CefRefPtr<CefListValue> args) = 0;
  virtual void Close() = 0;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_CHANNEL_H_
