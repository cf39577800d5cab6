// The real render half of the system, which also lets a test speak for it
// and see what reaches it, for single-process system tests.
#ifndef TESTS_INTEGRATION_RENDER_SIDE_APP_H_
#define TESTS_INTEGRATION_RENDER_SIDE_APP_H_

#include <vector>

#include "app/simple_app.h"
#include "common/process_messages.h"

class RenderSideApp : public SimpleApp {
 public:
  void OnContextCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override {
    if (frame->IsMain())
      render_browser = browser;
    else
      sub_frame_ids.push_back(frame->GetIdentifier());
    SimpleApp::OnContextCreated(browser, frame, context);
  }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override {
    const std::string name = MessageName(message);
    if (name == kRouterQueryMessage)
      router_replies.push_back(message->GetArgumentList()->Copy());
    else if (name == kSaveOptionMessage)
      ++options_received;
    return SimpleApp::OnProcessMessageReceived(browser, source_process,
                                               message);
  }

  CefRefPtr<CefBrowser> render_browser;
  std::vector<int64> sub_frame_ids;
  std::vector<CefRefPtr<CefListValue>> router_replies;
  int options_received = 0;
};

#endif  // TESTS_INTEGRATION_RENDER_SIDE_APP_H_
