// The small page model, run once per committed document:
//  1. the <script> elements in document order, each in the frame's context
//     with its own line numbers; an uncaught error ends only that script.
//     A file: page's <script src> naming a file: URL runs that file (UTF-8,
//     or as its byte-order mark says); a missing one is a console error, any
//     other src a console warning. Module and data-block scripts never run;
//  2. each <iframe> becomes a sub-frame: a new frame id, its src resolved
//     against the document URL (no src: about:blank), announced with
//     kSubframeCreated; the browser side then commits and runs it like any
//     frame;
//  3. the load event at window: window.onload and every "load" listener.
// The load event does not wait for the sub-frames, and there is no DOM,
// document.write, event loop beyond setTimeout and window events, or
// script-driven navigation.
#ifndef FRAMEWORK_SRC_RENDERER_DOCUMENT_RUNNER_H_
#define FRAMEWORK_SRC_RENDERER_DOCUMENT_RUNNER_H_

#include <string>

#include "src/renderer/html_scanner.h"
#include "src/renderer/render_browser.h"

namespace cef_internal {

class DocumentRunner {
 public:
  static void Run(RenderBrowser* browser, RenderFrame* frame);

 private:
  // False once the document's context is no longer the frame's.
  static bool StillCurrent(RenderFrame* frame, V8ContextImpl* context);
  static void RunScript(RenderBrowser* browser,
                        RenderFrame* frame,
                        const HtmlElement& script);
  static void RunScriptFile(RenderBrowser* browser,
                            RenderFrame* frame,
                            const HtmlElement& script);
  // A console message from the document itself, not from its script.
  static void Report(RenderBrowser* browser,
                     cef_log_severity_t severity,
                     const std::wstring& message,
                     const std::wstring& source,
                     int line);
  static void CreateSubframe(RenderBrowser* browser,
                             RenderFrame* frame,
                             const HtmlElement& iframe);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_RENDERER_DOCUMENT_RUNNER_H_
