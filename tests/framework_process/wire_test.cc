// What crosses the pipe between the browser process and a render process:
// process messages of every value type, router traffic, console output,
// script from the browser, and garbage.
#include <climits>
#include <string>

#include "include/cef_browser.h"
#include "tests/framework_process/process_test_support.h"

namespace process_test {
namespace {

class WireTest : public MultiProcessTest {
 protected:
  CefRefPtr<CefBrowser> LoadedBrowser(const std::string& html) {
    url_ = Page("page.html", html);
    CefRefPtr<CefBrowser> browser = CreateBrowser(url_);
    std::string id = browser ? std::to_string(browser->GetIdentifier()) : "";
    if (!browser || !log_.WaitFor(id + " load-end 200"))
      return nullptr;
    return browser;
  }

  std::string url_;
};

CefRefPtr<CefListValue> EveryValueType() {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  size_t i = 0;
  list->SetNull(i++);
  list->SetBool(i++, true);
  list->SetBool(i++, false);
  list->SetInt(i++, INT_MIN);
  list->SetInt(i++, INT_MAX);
  list->SetDouble(i++, 0.1);
  list->SetDouble(i++, -0.0);
  list->SetDouble(i++, 1e300);
  list->SetDouble(i++, 3.0);  // stays a double
  list->SetString(i++, "");
  list->SetString(i++,
                  std::wstring(L"\x00fc\x65E5\x672C \xD83D\xDE00 a\0b", 11));
  list->SetString(i++, std::wstring(L"lone \xD800"));
  // Larger than the pipe's buffer: arrives in pieces.
  list->SetString(i++, std::string(300000, 'x'));
  std::string bytes;
  for (int b = 0; b < 256; ++b)
    bytes.push_back(static_cast<char>(b));
  list->SetBinary(i++, CefBinaryValue::Create(bytes.data(), bytes.size()));
  list->SetBinary(i++, CefBinaryValue::Create(nullptr, 0));
  CefRefPtr<CefListValue> nested = CefListValue::Create();
  CefRefPtr<CefListValue> deeper = CefListValue::Create();
  deeper->SetInt(0, 3);
  deeper->SetList(1, CefListValue::Create());
  nested->SetInt(0, 2);
  nested->SetList(1, deeper);
  list->SetList(i++, nested);
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetString(L"\x043A\x043B\x044E\x0447", "value");
  dict->SetInt("", 1);
  CefRefPtr<CefDictionaryValue> inner = CefDictionaryValue::Create();
  CefRefPtr<CefListValue> flags = CefListValue::Create();
  flags->SetBool(0, true);
  inner->SetList("list", flags);
  dict->SetDictionary("nested", inner);
  list->SetDictionary(i++, dict);
  list->SetDictionary(i++, CefDictionaryValue::Create());
  return list;
}

TEST_F(WireTest, ProcessMessagesKeepEveryValueTypeBothWays) {
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  const std::string name = "echo \xC3\xBC\xE6\x97\xA5";
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
  CefRefPtr<CefListValue> sent = EveryValueType();
  for (size_t i = 0; i < sent->GetSize(); ++i)
    message->GetArgumentList()->SetValue(i, sent->GetValue(i));
  ASSERT_TRUE(browser->SendProcessMessage(PID_RENDERER, message));
  ASSERT_TRUE(WaitForMessage(browser, name + "-reply")) << log_.Dump();
  CefRefPtr<CefListValue> echoed =
      MessagesFor(browser, name + "-reply")[0].args;
  EXPECT_EQ(Describe(sent), Describe(echoed));
  EXPECT_EQ(VTYPE_DOUBLE, echoed->GetType(8));
}

TEST_F(WireTest, MessagesArriveInTheOrderSent) {
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  const int kCount = 300;
  for (int i = 0; i < kCount; ++i) {
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("echo");
    message->GetArgumentList()->SetInt(0, i);
    browser->SendProcessMessage(PID_RENDERER, message);
  }
  ASSERT_TRUE(WaitForMessage(browser, "echo-reply", kCount)) << log_.Dump();
  std::vector<ReceivedMessage> replies = MessagesFor(browser, "echo-reply");
  for (int i = 0; i < kCount; ++i)
    ASSERT_EQ(i, replies[i].args->GetInt(0));
}

TEST_F(WireTest, RouterQueriesAreAnsweredAcrossProcesses) {
  CefRefPtr<CefBrowser> browser = LoadedBrowser(
      "<script>\n"
      "function ask(request, label) {\n"
      "  cefQuery({request: request,\n"
      "    onSuccess: function(r) { console.log(label + ' ok ' + r); },\n"
      "    onFailure: function(c, m) { console.log(label + ' failed ' + c +"
      " ' ' + m); }});\n"
      "}\n"
      "ask('ping:\\u00fc', 'a'); ask('fail', 'b'); ask('nobody', 'c');\n"
      "</script>");
  ASSERT_TRUE(browser);
  std::string id = std::to_string(browser->GetIdentifier()) + " ";
  EXPECT_TRUE(log_.WaitFor(id + "console a ok pong:\xC3\xBC")) << log_.Dump();
  EXPECT_TRUE(log_.WaitFor(id + "console b failed 42 failed \xC3\xBC"))
      << log_.Dump();
  EXPECT_TRUE(log_.WaitFor(id + "console c failed -1 The query has been "
                                "canceled"))
      << log_.Dump();
}

TEST_F(WireTest, ConsoleAndScriptFromTheBrowserCross) {
  CefRefPtr<CefBrowser> browser = LoadedBrowser(
      "<html>\n<script>\nconsole.log('first \xC3\xBC');\n"
      "</script>\n</html>\n");
  ASSERT_TRUE(browser);
  std::string id = std::to_string(browser->GetIdentifier()) + " ";
  ASSERT_TRUE(log_.WaitFor(id + "console first \xC3\xBC")) << log_.Dump();
  EXPECT_EQ(url_, client_->console_sources[0]);
  EXPECT_EQ(3, client_->console_lines[0]);

  browser->GetMainFrame()->ExecuteJavaScript(
      "console.log('pid ' + kxtest.reportPid());", "about:script", 1);
  ASSERT_TRUE(WaitForMessage(browser, "page-pid")) << log_.Dump();
  int pid = MessagesFor(browser, "page-pid")[0].args->GetInt(0);
  EXPECT_TRUE(log_.WaitFor(id + "console pid " + std::to_string(pid)));
  EXPECT_EQ(HostPid(browser), static_cast<DWORD>(pid));
}

TEST_F(WireTest, GarbageFromARenderProcessIsDropped) {
  app_->extra_switches.push_back(kRawRendererSwitch);
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  ProcessWatch raw(HostPid(browser));
  ASSERT_TRUE(raw.valid());
  ASSERT_TRUE(WaitForMessage(browser, "after-garbage")) << log_.Dump();
  // Every malformed frame named an "echo" message: none may surface.
  EXPECT_TRUE(MessagesFor(browser, "echo").empty()) << log_.Dump();
  EXPECT_FALSE(log_.HasPrefix(std::to_string(browser->GetIdentifier()) +
                              " render-terminated"));
  Shutdown();
  EXPECT_TRUE(raw.Ended());
  EXPECT_EQ(0u, raw.exit_code()) << "the raw side missed kShutdown";
}

TEST_F(WireTest, ARenderProcessThatStopsReadingIsEnded) {
  app_->extra_switches.push_back(kDeafRendererSwitch);
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  ProcessWatch deaf(HostPid(browser));
  ASSERT_TRUE(deaf.valid());
  ASSERT_TRUE(WaitForMessage(browser, "deaf-ready")) << log_.Dump();
  // More than may wait for a render process, in messages of a megabyte.
  const std::string block(1024 * 1024, 'd');
  const std::string id = std::to_string(browser->GetIdentifier()) + " ";
  for (int i = 0; i < 128 && !log_.HasPrefix(id + "render-terminated"); ++i) {
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("echo");
    message->GetArgumentList()->SetBinary(
        0, CefBinaryValue::Create(block.data(), block.size()));
    browser->SendProcessMessage(PID_RENDERER, message);
  }
  ASSERT_TRUE(WaitFor([&] { return log_.HasPrefix(id + "render-terminated"); }))
      << log_.Dump();
  EXPECT_TRUE(deaf.Ended());
}

}  // namespace
}  // namespace process_test
