#include "tests/framework_browser/browser_test_support.h"

#include "include/cef_v8.h"
#include "src/browser/navigator.h"

namespace browser_test {

using cef_internal::Navigator;

namespace {

std::string Utf8(const CefString& text) {
  return text.ToString();
}

// "popup " before the events of pop-up browsers.
std::string Who(CefRefPtr<CefBrowser> browser) {
  return browser && browser->IsPopup() ? "popup " : "";
}

std::string PercentEncodePath(const std::string& path) {
  std::string out;
  for (unsigned char c : path) {
    if (c == ' ' || c == '%' || c == '#' || c == '?' || c >= 0x80) {
      char escaped[4];
      snprintf(escaped, sizeof(escaped), "%%%02X", c);
      out += escaped;
    } else {
      out.push_back(c == '\\' ? '/' : static_cast<char>(c));
    }
  }
  return out;
}

}  // namespace

std::string FrameLabel(CefRefPtr<CefFrame> frame) {
  if (!frame)
    return "none";
  return frame->IsMain() ? "main" : "sub:" + Utf8(frame->GetName());
}

void TestApp::OnRenderProcessThreadCreated(CefRefPtr<CefListValue> extra_info) {
  log_->Add("render-process-thread-created");
  extra_info->SetString(0, "extra from the browser");
}

void TestApp::OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) {
  log_->Add("render-thread-created " + Utf8(extra_info->GetString(0)));
}

void TestApp::OnWebKitInitialized() {
  log_->Add("webkit-initialized");
  renderer_router_ =
      CefMessageRouterRendererSide::Create(CefMessageRouterConfig());
}

void TestApp::OnContextCreated(CefRefPtr<CefBrowser> browser,
                               CefRefPtr<CefFrame> frame,
                               CefRefPtr<CefV8Context> context) {
  renderer_router_->OnContextCreated(browser, frame, context);
}

void TestApp::OnContextReleased(CefRefPtr<CefBrowser> browser,
                                CefRefPtr<CefFrame> frame,
                                CefRefPtr<CefV8Context> context) {
  renderer_router_->OnContextReleased(browser, frame, context);
}

bool TestApp::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                       CefProcessId source_process,
                                       CefRefPtr<CefProcessMessage> message) {
  if (renderer_router_->OnProcessMessageReceived(browser, source_process,
                                                 message)) {
    return true;
  }
  if (message->GetName() != L"ping")
    return false;
  CefRefPtr<CefProcessMessage> reply = CefProcessMessage::Create("pong");
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  for (size_t i = 0; i < args->GetSize(); ++i)
    reply->GetArgumentList()->SetValue(i, args->GetValue(i));
  browser->SendProcessMessage(PID_BROWSER, reply);
  return true;
}

bool TestClient::OnProcessMessageReceived(
    CefRefPtr<CefBrowser> browser,
    CefProcessId source_process,
    CefRefPtr<CefProcessMessage> message) {
  if (router &&
      router->OnProcessMessageReceived(browser, source_process, message)) {
    return true;
  }
  log_->Add(Who(browser) + "message " + Utf8(message->GetName()) +
            (source_process == PID_RENDERER ? " from renderer" : " from ?"));
  last_message = message;
  return true;
}

void TestClient::OnBeforeContextMenu(CefRefPtr<CefBrowser> browser,
                                     CefRefPtr<CefFrame> frame,
                                     CefRefPtr<CefContextMenuParams> params,
                                     CefRefPtr<CefMenuModel> model) {
  log_->Add("before-context-menu " + FrameLabel(frame));
  last_menu_item_count = model->GetCount();
  last_menu_commands.clear();
  for (int i = 0; i < model->GetCount(); ++i)
    last_menu_commands.push_back(model->GetCommandIdAt(i));
  if (clear_menu)
    model->Clear();
}

bool TestClient::RunContextMenu(CefRefPtr<CefBrowser> browser,
                                CefRefPtr<CefFrame> frame,
                                CefRefPtr<CefContextMenuParams> params,
                                CefRefPtr<CefMenuModel> model,
                                CefRefPtr<CefRunContextMenuCallback> callback) {
  log_->Add("run-context-menu");
  if (!run_menu_command)
    return false;
  callback->Continue(run_menu_command, 0);
  // A second answer must be ignored.
  callback->Cancel();
  return true;
}

bool TestClient::OnContextMenuCommand(CefRefPtr<CefBrowser> browser,
                                      CefRefPtr<CefFrame> frame,
                                      CefRefPtr<CefContextMenuParams> params,
                                      int command_id,
                                      EventFlags event_flags) {
  log_->Add("menu-command " + std::to_string(command_id));
  return true;
}

void TestClient::OnContextMenuDismissed(CefRefPtr<CefBrowser> browser,
                                        CefRefPtr<CefFrame> frame) {
  log_->Add("menu-dismissed");
}

bool TestClient::OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                                  const CefString& message,
                                  const CefString& source,
                                  int line) {
  log_->Add(Who(browser) + "console " + Utf8(message));
  console_sources.push_back(Utf8(source));
  console_lines.push_back(line);
  return console_handled;
}

bool TestClient::OnBeforePopup(CefRefPtr<CefBrowser> browser,
                               CefRefPtr<CefFrame> frame,
                               const CefString& target_url,
                               const CefString& target_frame_name,
                               cef_window_open_disposition_t target_disposition,
                               bool user_gesture,
                               const CefPopupFeatures& popupFeatures,
                               CefWindowInfo& windowInfo,
                               CefRefPtr<CefClient>& client,
                               CefBrowserSettings& settings,
                               bool* no_javascript_access) {
  // Kept before the line is logged: a test reads them once it sees the line,
  // from its own thread.
  last_popup_info = windowInfo;
  popup_thread = GetCurrentThreadId();
  last_popup_client = client;
  const bool cancel = on_before_popup ? on_before_popup(windowInfo) : false;
  log_->Add("before-popup " + FrameLabel(frame) + " " + Utf8(target_url) + " " +
            Utf8(target_frame_name) + " " + std::to_string(target_disposition) +
            " " + (user_gesture ? "gesture" : "no-gesture"));
  return cancel;
}

void TestClient::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  log_->Add(Who(browser) + "after-created");
  browsers.push_back(browser);
}

bool TestClient::DoClose(CefRefPtr<CefBrowser> browser) {
  log_->Add(Who(browser) + "do-close");
  return do_close_result;
}

void TestClient::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  log_->Add(Who(browser) + "before-close");
  if (router)
    router->OnBeforeClose(browser);
  if (quit_on_close)
    CefQuitMessageLoop();
}

void TestClient::OnLoadingStateChange(CefRefPtr<CefBrowser> browser,
                                      bool isLoading,
                                      bool canGoBack,
                                      bool canGoForward) {
  log_->Add(Who(browser) + (isLoading ? "loading true" : "loading false"));
}

void TestClient::OnLoadStart(CefRefPtr<CefBrowser> browser,
                             CefRefPtr<CefFrame> frame) {
  log_->Add(Who(browser) + "load-start " + FrameLabel(frame));
  if (on_load_start)
    on_load_start(browser, frame);
}

void TestClient::OnLoadEnd(CefRefPtr<CefBrowser> browser,
                           CefRefPtr<CefFrame> frame,
                           int httpStatusCode) {
  log_->Add(Who(browser) + "load-end " + FrameLabel(frame) + " " +
            std::to_string(httpStatusCode));
}

void TestClient::OnLoadError(CefRefPtr<CefBrowser> browser,
                             CefRefPtr<CefFrame> frame,
                             ErrorCode errorCode,
                             const CefString& errorText,
                             const CefString& failedUrl) {
  log_->Add(Who(browser) + "load-error " + FrameLabel(frame) + " " +
            std::to_string(errorCode) + " " + Utf8(failedUrl));
  if (on_load_error)
    on_load_error(browser, frame, errorCode);
}

bool TestClient::OnBeforeBrowse(CefRefPtr<CefBrowser> browser,
                                CefRefPtr<CefFrame> frame,
                                CefRefPtr<CefRequest> request,
                                bool is_redirect) {
  std::string url = Utf8(request->GetURL());
  log_->Add(Who(browser) + (is_redirect ? "redirect " : "before-browse ") +
            FrameLabel(frame) + " " + url);
  if (router)
    router->OnBeforeBrowse(browser, frame);
  return cancel_navigation && cancel_navigation(frame, url);
}

void TestClient::OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                           TerminationStatus status) {
  log_->Add("render-terminated " + std::to_string(status));
  if (router)
    router->OnRenderProcessTerminated(browser);
}

PageFolder::PageFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"kx_browser_test_" +
          std::to_wstring(GetCurrentProcessId()) + L"_" +
          std::to_wstring(GetTickCount64());
  CreateDirectoryW(path_.c_str(), nullptr);
}

PageFolder::~PageFolder() {
  for (const std::wstring& file : files_)
    DeleteFileW(file.c_str());
  RemoveDirectoryW(path_.c_str());
}

std::string PageFolder::Write(const std::string& name,
                              const std::string& content) {
  std::wstring file = path_ + L"\\" + CefString(name).ToWString();
  HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, handle);
  DWORD written = 0;
  WriteFile(handle, content.data(), static_cast<DWORD>(content.size()),
            &written, nullptr);
  CloseHandle(handle);
  files_.push_back(file);
  return Url(name);
}

std::string PageFolder::Url(const std::string& name) const {
  return "file:///" +
         PercentEncodePath(CefString(path_).ToString() + "\\" + name);
}

HiddenPopupInfo::HiddenPopupInfo(HWND parent, const std::string& name) {
  SetAsPopup(parent, name);
  ex_style |= WS_EX_TOOLWINDOW;
  style = 0x86000000;  // WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN
  width = 800;
  height = 600;
}

void BrowserTest::SetUp() {
  app_ = new TestApp(&log_);
  client_ = new TestClient(&log_);
  CefSettings settings;
  settings.single_process = true;
  ConfigureSettings(&settings);
  ASSERT_TRUE(CefInitialize(CefMainArgs(GetModuleHandleW(nullptr)), settings,
                            app_, nullptr));
  parent_ = CreateWindowExW(0, L"STATIC", L"parent", WS_OVERLAPPEDWINDOW, 0, 0,
                            200, 100, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, parent_);
}

void BrowserTest::TearDown() {
  CefShutdown();
  Navigator::SetPageWaitsForLoadStart(false);
  if (IsWindow(parent_))
    DestroyWindow(parent_);
  client_ = nullptr;
  app_ = nullptr;
}

CefRefPtr<CefBrowser> BrowserTest::CreateBrowser(const std::string& url) {
  size_t before = client_->browsers.size();
  EXPECT_TRUE(CefBrowserHost::CreateBrowser(HiddenPopupInfo(parent_, "kxweb"),
                                            client_.get(), url,
                                            CefBrowserSettings(), nullptr));
  if (!WaitFor([&]() { return client_->browsers.size() > before; }))
    return nullptr;
  // Not back(): a pop-up its page opens may already have followed it.
  return client_->browsers[before];
}

bool BrowserTest::WaitForMainLoadEnd() {
  size_t seen = log_.events().size();
  return WaitFor([&]() {
    const std::vector<std::string> events = log_.events();
    for (size_t i = seen; i < events.size(); ++i) {
      if (events[i].compare(0, 13, "load-end main") == 0)
        return true;
    }
    return false;
  });
}

bool BrowserTest::RoundTrip(CefRefPtr<CefBrowser> browser,
                            const std::string& marker) {
  browser->GetMainFrame()->ExecuteJavaScript("console.log('" + marker + "');",
                                             "", 0);
  return log_.WaitFor("console " + marker);
}

}  // namespace browser_test
