// A render side that names frames the browser does not know: a sub-frame
// whose document is gone, and one that never was. Its queries fail back to
// it through the router; nothing is shown and nothing crashes.
#include "tests/integration/render_side_app.h"
#include "tests/integration/system_fixture.h"

#include "common/process_messages.h"

namespace {

class StaleFrameTest : public SystemTest {
 protected:
  CefRefPtr<SimpleApp> CreateApp() override {
    render_app_ = new RenderSideApp();
    return render_app_.get();
  }

  // Sends a query as the render side's router lays it out, naming |frame_id|.
  void SendQuery(int64 frame_id, int request_id, const std::string& request) {
    CefRefPtr<CefProcessMessage> message =
        CefProcessMessage::Create(kRouterQueryMessage);
    CefRefPtr<CefListValue> args = message->GetArgumentList();
    args->SetDouble(0, static_cast<double>(frame_id));
    args->SetInt(1, 1);  // a context id
    args->SetInt(2, request_id);
    args->SetString(3, request);
    args->SetBool(4, false);
    render_app_->render_browser->SendProcessMessage(PID_BROWSER, message);
  }

  // The router's answer to |request_id|: its success flag and error code.
  CefRefPtr<CefListValue> ReplyTo(int request_id) {
    for (const CefRefPtr<CefListValue>& reply : render_app_->router_replies) {
      if (reply->GetSize() >= 3 && reply->GetInt(1) == request_id)
        return reply;
    }
    return nullptr;
  }

  CefRefPtr<RenderSideApp> render_app_;
};

TEST_F(StaleFrameTest, QueriesFromUnknownFramesFailBackAndShowNothing) {
  const std::string child = WritePage("child.html", "<p>child</p>");
  ASSERT_TRUE(LoadAndWait(
      main_browser(),
      WritePage("parent.html", "<iframe src=\"" + child + "\"></iframe>")));
  ASSERT_TRUE(RunUntil([&] { return !render_app_->sub_frame_ids.empty(); }));
  const int64 gone_frame = render_app_->sub_frame_ids.back();
  // A new document replaces the one that held the sub-frame.
  ASSERT_TRUE(LoadAndWait(main_browser(), WritePage("plain.html", "<p/>")));
  ASSERT_FALSE(main_browser()->GetFrame(gone_frame));
  ASSERT_TRUE(render_app_->render_browser);
  ShowWindow(g_client_handler->main_window(), SW_SHOWNA);

  const int64 never_frame = gone_frame + 100000;
  const char* const kRequests[] = {"Onjump", "OnLoad", "TestOnly", "other"};
  int request_id = 100;
  for (int64 frame_id : {gone_frame, never_frame}) {
    for (const char* request : kRequests)
      SendQuery(frame_id, ++request_id, request);
  }
  ASSERT_TRUE(RunUntil([&] { return ReplyTo(request_id) != nullptr; }));
  for (int id = 101; id <= request_id; ++id) {
    SCOPED_TRACE(id);
    CefRefPtr<CefListValue> reply = ReplyTo(id);
    ASSERT_TRUE(reply);
    EXPECT_FALSE(reply->GetBool(2));  // failed
    EXPECT_EQ(reply->GetInt(3), -1);  // the router's own failure
  }
  EXPECT_EQ(jumps_, 0);
  EXPECT_TRUE(IsWindowVisible(g_client_handler->main_window()));
  // The browser side still serves the page.
  EXPECT_EQ(Evaluate(main_browser(), "KXHelper.SetUserOptions('[]')"), "true");
  EXPECT_TRUE(RunUntil([] { return notifications() == 1; }));
}

}  // namespace
