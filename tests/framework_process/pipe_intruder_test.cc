// Another process that connects to a render process's pipe before the
// render process does: it is cut off unheard, and the render process still
// gets its pipe.
#include <string>

#include "include/cef_browser.h"
#include "tests/framework_process/process_test_support.h"
#include "tests/framework_process/raw_pipe.h"

namespace process_test {
namespace {

using cef_internal::Op;

class PipeIntruderTest : public MultiProcessTest {
 protected:
  ~PipeIntruderTest() override {
    if (intruder_ != INVALID_HANDLE_VALUE)
      CloseHandle(intruder_);
  }

  HANDLE intruder_ = INVALID_HANDLE_VALUE;
};

TEST_F(PipeIntruderTest, AnEarlierClientIsCutOffAndTheRenderProcessConnects) {
  // The browser process itself plays the intruder: any process but the
  // launched one is a stranger to the pipe.
  app_->before_launch = [this](const std::wstring& pipe) {
    intruder_ = CreateFileW(pipe.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                            nullptr, OPEN_EXISTING, 0, nullptr);
    // What a forged render side would say, for the first few browser ids.
    for (int id = 1; id < 10; ++id) {
      CefRefPtr<CefListValue> message = CefListValue::Create();
      message->SetInt(0, id);
      message->SetString(1, "forged");
      message->SetList(2, CefListValue::Create());
      std::string frame = RawPipe::Encode(Op::kProcessMessage, message);
      DWORD written = 0;
      WriteFile(intruder_, frame.data(), static_cast<DWORD>(frame.size()),
                &written, nullptr);
    }
  };
  CefRefPtr<CefBrowser> browser =
      CreateBrowser(Page("pid.html", "<script>kxtest.reportPid();</script>"));
  ASSERT_TRUE(browser);
  ASSERT_NE(INVALID_HANDLE_VALUE, intruder_) << "could not connect first";
  ASSERT_TRUE(WaitForMessage(browser, "page-pid")) << log_.Dump();
  EXPECT_EQ(
      HostPid(browser),
      static_cast<DWORD>(MessagesFor(browser, "page-pid")[0].args->GetInt(0)));
  EXPECT_TRUE(MessagesFor(browser, "forged").empty());
  // The intruder's end was disconnected: nothing the browser sent (the
  // start op, the page's URL and source) reached it.
  char byte;
  DWORD moved = 0;
  EXPECT_FALSE(ReadFile(intruder_, &byte, 1, &moved, nullptr));
  EXPECT_EQ(0u, moved);
  std::string id = std::to_string(browser->GetIdentifier());
  EXPECT_TRUE(log_.WaitFor(id + " load-end 200")) << log_.Dump();
}

}  // namespace
}  // namespace process_test
