#include "tests/framework_process/process_test_support.h"

#include <algorithm>
#include <cstdio>

#include "include/cef_browser.h"
#include "include/cef_task.h"
#include "src/browser/browser_impl.h"
#include "src/browser/child_process_render_host.h"
#include "src/core/message_loop.h"

namespace process_test {

namespace {

std::string DescribeValue(CefRefPtr<CefValue> value);

std::string DescribeDictionary(CefRefPtr<CefDictionaryValue> dict) {
  CefDictionaryValue::KeyList keys;
  dict->GetKeys(keys);
  std::string out = "{";
  for (const CefString& key : keys)
    out += Utf8(key) + ":" + DescribeValue(dict->GetValue(key)) + ",";
  return out + "}";
}

std::string DescribeValue(CefRefPtr<CefValue> value) {
  char number[64];
  switch (value->GetType()) {
    case VTYPE_NULL:
      return "null";
    case VTYPE_BOOL:
      return value->GetBool() ? "true" : "false";
    case VTYPE_INT:
      return "int:" + std::to_string(value->GetInt());
    case VTYPE_DOUBLE:
      snprintf(number, sizeof(number), "double:%.17g", value->GetDouble());
      return number;
    case VTYPE_STRING: {
      std::string out = "string:";
      for (wchar_t unit : value->GetString().ToWString())
        out += std::to_string(static_cast<unsigned>(unit)) + ".";
      return out;
    }
    case VTYPE_BINARY: {
      CefRefPtr<CefBinaryValue> binary = value->GetBinary();
      std::string bytes(binary->GetSize(), '\0');
      if (!bytes.empty())
        binary->GetData(&bytes[0], bytes.size(), 0);
      std::string out = "binary:";
      for (unsigned char c : bytes)
        out += std::to_string(c) + ".";
      return out;
    }
    case VTYPE_DICTIONARY:
      return DescribeDictionary(value->GetDictionary());
    case VTYPE_LIST:
      return Describe(value->GetList());
    default:
      return "invalid";
  }
}

std::string Who(CefRefPtr<CefBrowser> browser) {
  return std::to_string(browser->GetIdentifier()) + " ";
}

}  // namespace

std::wstring OwnExecutable() {
  wchar_t path[MAX_PATH * 4];
  DWORD size = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return std::wstring(path, size);
}

bool WaitFor(const std::function<bool()>& done, int timeout_ms) {
  return cef_internal::MessageLoop::Current()->RunUntil(done, timeout_ms);
}

std::string Utf8(const CefString& text) {
  return text.ToString();
}

std::string Describe(CefRefPtr<CefListValue> list) {
  if (!list)
    return "nolist";
  std::string out = "[";
  for (size_t i = 0; i < list->GetSize(); ++i)
    out += DescribeValue(list->GetValue(i)) + ",";
  return out + "]";
}

ProcessWatch::ProcessWatch(DWORD pid)
    : handle_(pid ? OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE |
                                    PROCESS_QUERY_LIMITED_INFORMATION,
                                FALSE,
                                pid)
                  : nullptr) {}

// static
std::unique_ptr<ProcessWatch> ProcessWatch::LaunchSelf(
    const std::wstring& switches) {
  std::unique_ptr<ProcessWatch> watch(new ProcessWatch());
  std::wstring program = OwnExecutable();
  std::wstring line = L"\"" + program + L"\" " + switches;
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0,
                     nullptr, nullptr, &startup, &info)) {
    CloseHandle(info.hThread);
    watch->handle_ = info.hProcess;
  }
  return watch;
}

ProcessWatch::~ProcessWatch() {
  if (!handle_)
    return;
  if (!Ended())
    TerminateProcess(handle_, 1);
  CloseHandle(handle_);
}

bool ProcessWatch::Ended() const {
  return WaitForEnd(0);
}

bool ProcessWatch::WaitForEnd(int timeout_ms) const {
  return handle_ && WaitForSingleObject(handle_, timeout_ms) == WAIT_OBJECT_0;
}

DWORD ProcessWatch::exit_code() const {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(handle_, &code);
  return code;
}

void ProcessWatch::Kill(UINT exit_code) {
  TerminateProcess(handle_, exit_code);
}

DWORD ProcessWatch::pid() const {
  return handle_ ? GetProcessId(handle_) : 0;
}

std::vector<std::string> EventLog::Events() const {
  std::lock_guard<std::mutex> hold(lock_);
  return events_;
}

int EventLog::IndexOf(const std::string& event) const {
  const std::vector<std::string> events = Events();
  auto it = std::find(events.begin(), events.end(), event);
  return it == events.end() ? -1 : static_cast<int>(it - events.begin());
}

bool EventLog::HasPrefix(const std::string& prefix) const {
  for (const std::string& event : Events()) {
    if (event.compare(0, prefix.size(), prefix) == 0)
      return true;
  }
  return false;
}

int EventLog::Count(const std::string& event) const {
  const std::vector<std::string> events = Events();
  return static_cast<int>(std::count(events.begin(), events.end(), event));
}

bool EventLog::WaitFor(const std::string& event, int timeout_ms) const {
  return process_test::WaitFor([this, event]() { return Has(event); },
                               timeout_ms);
}

std::string EventLog::Dump() const {
  std::string text;
  for (const std::string& event : Events())
    text += "  " + event + "\n";
  return text;
}

void BrowserApp::OnBeforeChildProcessLaunch(
    CefRefPtr<CefCommandLine> command_line) {
  if (Utf8(command_line->GetSwitchValue("type")) != "renderer") {
    OtherLaunch launch = {Utf8(command_line->GetCommandLineString()),
                          CefCurrentlyOn(TID_IO), CefCurrentlyOn(TID_UI)};
    std::lock_guard<std::mutex> hold(other_lock_);
    other_launches_.push_back(launch);
    return;
  }
  command_line->AppendSwitch(kMarkerSwitch);
  for (const std::string& name : extra_switches)
    command_line->AppendSwitch(name);
  launched_command_lines.push_back(Utf8(command_line->GetCommandLineString()));
  if (before_launch)
    before_launch(command_line->GetSwitchValue("kx-channel").ToWString());
}

std::vector<BrowserApp::OtherLaunch> BrowserApp::other_launches() const {
  std::lock_guard<std::mutex> hold(other_lock_);
  return other_launches_;
}

void BrowserApp::OnRenderProcessThreadCreated(
    CefRefPtr<CefListValue> extra_info) {
  extra_info->SetString(0, kExtraInfo);
}

TestClient::TestClient(EventLog* log)
    : log_(log),
      router_(CefMessageRouterBrowserSide::Create(CefMessageRouterConfig())) {
  router_->AddHandler(this, false);
}

bool TestClient::OnProcessMessageReceived(
    CefRefPtr<CefBrowser> browser,
    CefProcessId source_process,
    CefRefPtr<CefProcessMessage> message) {
  if (router_->OnProcessMessageReceived(browser, source_process, message))
    return true;
  std::string name = Utf8(message->GetName());
  log_->Add(Who(browser) + "message " + name);
  messages_.push_back(ReceivedMessage{browser->GetIdentifier(), name,
                                      message->GetArgumentList()->Copy()});
  return true;
}

bool TestClient::OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                                  const CefString& message,
                                  const CefString& source,
                                  int line) {
  log_->Add(Who(browser) + "console " + Utf8(message));
  console_sources.push_back(Utf8(source));
  console_lines.push_back(line);
  return true;
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
  windowInfo.style &= ~WS_VISIBLE;
  return false;
}

void TestClient::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  log_->Add(Who(browser) + "after-created");
  browsers.push_back(browser);
}

void TestClient::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  log_->Add(Who(browser) + "before-close");
  router_->OnBeforeClose(browser);
}

void TestClient::OnLoadEnd(CefRefPtr<CefBrowser> browser,
                           CefRefPtr<CefFrame> frame,
                           int httpStatusCode) {
  if (frame->IsMain())
    log_->Add(Who(browser) + "load-end " + std::to_string(httpStatusCode));
}

void TestClient::OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                           TerminationStatus status) {
  log_->Add(Who(browser) + "render-terminated " + std::to_string(status));
  router_->OnRenderProcessTerminated(browser);
}

bool TestClient::OnQuery(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         int64 query_id,
                         const CefString& request,
                         bool persistent,
                         CefRefPtr<Callback> callback) {
  std::string text = Utf8(request);
  log_->Add(Who(browser) + "query " + text);
  if (text.compare(0, 5, "ping:") == 0)
    callback->Success("pong:" + text.substr(5));
  else if (text == "fail")
    callback->Failure(42, "failed \xC3\xBC");
  else if (text == "hold")
    held_.push_back(callback);
  else
    return false;
  return true;
}

void TestClient::OnQueryCanceled(CefRefPtr<CefBrowser> browser,
                                 CefRefPtr<CefFrame> frame,
                                 int64 query_id) {
  log_->Add(Who(browser) + "query-canceled");
}

std::vector<ReceivedMessage> TestClient::MessagesNamed(
    const std::string& name) const {
  std::vector<ReceivedMessage> found;
  for (const ReceivedMessage& message : messages_) {
    if (message.name == name)
      found.push_back(message);
  }
  return found;
}

MultiProcessTest::MultiProcessTest() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  folder_ = std::wstring(temp) + L"kx_process_test_" +
            std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder_.c_str(), nullptr);
}

MultiProcessTest::~MultiProcessTest() {
  for (const std::wstring& file : files_)
    DeleteFileW(file.c_str());
  RemoveDirectoryW(folder_.c_str());
}

void MultiProcessTest::SetUp() {
  app_ = new BrowserApp();
  client_ = new TestClient(&log_);
  CefSettings settings;
  settings.single_process = false;
  CefString(&settings.browser_subprocess_path) =
      program_.empty() ? OwnExecutable() : program_;
  ASSERT_TRUE(CefInitialize(CefMainArgs(GetModuleHandleW(nullptr)), settings,
                            app_.get(), nullptr));
  running_ = true;
}

void MultiProcessTest::TearDown() {
  Shutdown();
  client_ = nullptr;
  app_ = nullptr;
}

void MultiProcessTest::Shutdown() {
  if (running_)
    CefShutdown();
  running_ = false;
}

CefRefPtr<CefBrowser> MultiProcessTest::CreateBrowser(const std::string& url) {
  size_t before = client_->browsers.size();
  CefWindowInfo info;
  info.SetAsPopup(nullptr, "kxtest");
  info.style = WS_POPUP;  // hidden
  EXPECT_TRUE(CefBrowserHost::CreateBrowser(info, client_.get(), url,
                                            CefBrowserSettings(), nullptr));
  if (!WaitFor([&]() { return client_->browsers.size() > before; }))
    return nullptr;
  return client_->browsers[before];
}

std::string MultiProcessTest::Page(const std::string& name,
                                   const std::string& html) {
  std::wstring path = folder_ + L"\\" + CefString(name).ToWString();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  WriteFile(file, html.data(), static_cast<DWORD>(html.size()), &written,
            nullptr);
  CloseHandle(file);
  files_.push_back(path);
  std::string url = "file:///" + Utf8(path);
  std::replace(url.begin(), url.end(), '\\', '/');
  return url;
}

bool MultiProcessTest::WaitForMessage(CefRefPtr<CefBrowser> browser,
                                      const std::string& name,
                                      size_t count) {
  return WaitFor([&]() { return MessagesFor(browser, name).size() >= count; });
}

std::vector<ReceivedMessage> MultiProcessTest::MessagesFor(
    CefRefPtr<CefBrowser> browser,
    const std::string& name) const {
  std::vector<ReceivedMessage> found;
  for (const ReceivedMessage& message : client_->MessagesNamed(name)) {
    if (message.browser_id == browser->GetIdentifier())
      found.push_back(message);
  }
  return found;
}

DWORD MultiProcessTest::RenderPid(CefRefPtr<CefBrowser> browser) const {
  std::vector<ReceivedMessage> hellos = MessagesFor(browser, "render-hello");
  return hellos.empty() ? 0 : static_cast<DWORD>(hellos.back().args->GetInt(0));
}

DWORD MultiProcessTest::HostPid(CefRefPtr<CefBrowser> browser) const {
  auto* impl = static_cast<cef_internal::BrowserImpl*>(browser.get());
  auto* host =
      static_cast<cef_internal::ChildProcessRenderHost*>(impl->render_host());
  return host ? host->process_id() : 0;
}

}  // namespace process_test
