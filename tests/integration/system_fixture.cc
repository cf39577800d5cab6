#include "tests/integration/system_fixture.h"

#include <tlhelp32.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "include/cef_app.h"
#include "src/browser/browser_context.h"
#include "src/core/message_loop.h"
#include "store/option_store.h"

const RECT SystemTest::kBounds = {100, 50, 900, 650};

namespace {

int g_notifications = 0;

LRESULT CALLBACK HostWindowProc(HWND window,
                                UINT message,
                                WPARAM wparam,
                                LPARAM lparam) {
  if (message == kOptionsChangedMessage && wparam == 0 && lparam == 0) {
    ++g_notifications;
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

std::wstring MakeTempDir() {
  wchar_t base[MAX_PATH], path[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  GetTempFileNameW(base, L"kxt", 0, path);
  DeleteFileW(path);
  CreateDirectoryW(path, nullptr);
  return path;
}

std::string FileUrl(const std::wstring& path) {
  std::string url = "file:///" + CefString(path).ToString();
  for (char& c : url) {
    if (c == '\\')
      c = '/';
  }
  return url;
}

class SourceVisitor : public CefStringVisitor {
 public:
  explicit SourceVisitor(std::wstring* out, bool* done)
      : out_(out), done_(done) {}
  void Visit(const CefString& source) override {
    *out_ = source.ToWString();
    *done_ = true;
  }

 private:
  std::wstring* out_;
  bool* done_;
  IMPLEMENT_REFCOUNTING(SourceVisitor);
};

}  // namespace

int SystemTest::notifications() {
  return g_notifications;
}

std::vector<DWORD> SystemTest::ChildRenderers() {
  // The GPU process runs the same program; once the framework has ended,
  // it must be gone too.
  cef_internal::BrowserContext* context = cef_internal::BrowserContext::Get();
  const DWORD gpu = context ? context->gpu_process_id() : 0;
  std::vector<DWORD> pids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry = {sizeof(entry)};
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ParentProcessID == GetCurrentProcessId() &&
        _wcsicmp(entry.szExeFile, L"kxsubprocess.exe") == 0 &&
        entry.th32ProcessID != gpu) {
      pids.push_back(entry.th32ProcessID);
    }
  }
  CloseHandle(snapshot);
  return pids;
}

void SystemTest::KillRenderers(const std::vector<DWORD>& pids) {
  for (DWORD pid : pids) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    TerminateProcess(process, 137);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
  }
}

void SystemTest::SetUp() {
  g_notifications = 0;
  g_cache_sync_requested = false;
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = HostWindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"SystemTestHost";
  RegisterClassW(&window_class);
  host_window_ =
      CreateWindowExW(0, L"SystemTestHost", L"host", WS_OVERLAPPEDWINDOW, 0, 0,
                      100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(CreatePipe(&record_read_, &record_write_, nullptr, 1 << 16));
  record_reader_ = std::thread([this] {
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(record_read_, chunk, sizeof(chunk), &read, nullptr)) {
      std::lock_guard<std::mutex> lock(records_lock_);
      records_.append(chunk, read);
      records_changed_.notify_all();
    }
  });
  temp_dir_ = MakeTempDir();
  log_path_ = temp_dir_ + L"\\framework.log";
  // Before the framework starts, as a host may.
  EmbedBrowserHandler::AddObserver(this);

  OptionStore* store = OptionStore::GetInstance();
  // Every test starts from a store never seeded nor updated.
  store->ForgetOptionsForTesting();
  store->SetHostWindow(host_window_);
  store->SetHostHandle(record_write_);
  store->SetHostRecordEnabled(true);

  BeforeFrameworkStarts();

  app_ = CreateApp();
  app_->SetParentWindow(host_window_);
  app_->SetWindowBounds(kBounds);
  CefSettings settings;
  settings.single_process = SingleProcess();
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe);
  CefString(&settings.browser_subprocess_path) =
      dir.substr(0, dir.find_last_of(L"\\/") + 1) + L"kxsubprocess.exe";
  CefString(&settings.log_file) = log_path_;
  ASSERT_TRUE(CefInitialize(CefMainArgs(GetModuleHandleW(nullptr)), settings,
                            app_.get(), nullptr));
  if (!WaitsForBrowsers())
    return;
  ASSERT_TRUE(RunUntil([] {
    return g_client_handler && g_client_handler->browser_count() == 2;
  }));
  EXPECT_TRUE(main_browser_created_);
  // The first render process brings the GPU process: once it runs, the
  // render processes can be told from it.
  if (!SingleProcess()) {
    ASSERT_TRUE(RunUntil([] {
      return cef_internal::BrowserContext::Get()->gpu_process_id() != 0;
    }));
  }
}

std::string SystemTest::FrameworkLog() {
  std::ifstream log(CefString(log_path_).ToString(), std::ios::binary);
  std::stringstream text;
  text << log.rdbuf();
  return text.str();
}

void SystemTest::TearDown() {
  // As a host must: every browser closed before the framework ends.
  if (g_client_handler && g_client_handler->browser_count() > 0) {
    g_client_handler->CloseAllBrowsers(true);
    EXPECT_TRUE(RunUntil([&] { return last_browser_closed_; }));
  }
  EmbedBrowserHandler::RemoveObserver(this);
  CefShutdown();
  cef_internal::Navigator::SetPageWaitsForLoadStart(false);
  const std::string log = FrameworkLog();
  EXPECT_EQ(std::string::npos, log.find("still open")) << log;
  OptionStore* store = OptionStore::GetInstance();
  store->SetHostRecordEnabled(false);
  store->SetHostHandle(INVALID_HANDLE_VALUE);
  store->SetHostWindow(nullptr);
  app_ = nullptr;
  CloseHandle(record_write_);  // ends the reader
  if (record_reader_.joinable())
    record_reader_.join();
  CloseHandle(record_read_);
  DestroyWindow(host_window_);
}

bool SystemTest::RunUntil(const std::function<bool()>& done, int timeout_ms) {
  return cef_internal::MessageLoop::Current()->RunUntil(done, timeout_ms);
}

std::string SystemTest::WritePage(const std::string& name,
                                  const std::string& html) {
  const std::wstring path = temp_dir_ + L"\\" + CefString(name).ToWString();
  std::ofstream(CefString(path).ToString(), std::ios::binary) << html;
  return FileUrl(path);
}

std::string SystemTest::MissingPageUrl(const std::string& name) {
  return FileUrl(temp_dir_ + L"\\" + CefString(name).ToWString());
}

bool SystemTest::LoadAndWait(CefRefPtr<CefBrowser> browser,
                             const std::string& url) {
  const int loads = main_frame_loads_;
  browser->GetMainFrame()->LoadURL(url);
  return RunUntil([&] { return main_frame_loads_ > loads; });
}

void SystemTest::Execute(CefRefPtr<CefBrowser> browser,
                         const std::string& code) {
  browser->GetMainFrame()->ExecuteJavaScript(code, "", 0);
}

bool SystemTest::WaitForConsole(const std::string& prefix,
                                std::string* rest,
                                int timeout_ms) {
  return RunUntil(
      [&] {
        for (; console_read_ < console_messages_.size(); ++console_read_) {
          const std::string& message = console_messages_[console_read_];
          if (message.compare(0, prefix.size(), prefix) == 0) {
            *rest = message.substr(prefix.size());
            ++console_read_;
            return true;
          }
        }
        return false;
      },
      timeout_ms);
}

std::string SystemTest::Evaluate(CefRefPtr<CefBrowser> browser,
                                 const std::string& expression) {
  static int serial = 0;
  const std::string tag = "eval" + std::to_string(++serial) + "=";
  Execute(browser, "console.log('" + tag + "' + (" + expression + "));");
  std::string value;
  EXPECT_TRUE(WaitForConsole(tag, &value)) << expression;
  return value;
}

std::wstring SystemTest::SourceOf(CefRefPtr<CefFrame> frame) {
  std::wstring source;
  bool done = false;
  frame->GetSource(new SourceVisitor(&source, &done));
  EXPECT_TRUE(RunUntil([&] { return done; }));
  return source;
}

std::string SystemTest::ReadRecords() {
  // The store writes on this thread, so nothing follows this marker into the
  // pipe: once it has come through, so has every record written before it.
  static const char kMarker[] = "\xff\xfe\xfd\xfc end of records";
  const std::string marker(kMarker, sizeof(kMarker) - 1);
  DWORD written = 0;
  WriteFile(record_write_, marker.data(), static_cast<DWORD>(marker.size()),
            &written, nullptr);
  auto ends_with_marker = [&] {
    return records_.size() >= marker.size() &&
           records_.compare(records_.size() - marker.size(), marker.size(),
                            marker) == 0;
  };
  std::unique_lock<std::mutex> lock(records_lock_);
  const bool through = records_changed_.wait_for(lock, std::chrono::seconds(10),
                                                 ends_with_marker);
  EXPECT_TRUE(through) << "the record pipe stalled";
  std::string bytes;
  bytes.swap(records_);
  if (through)
    bytes.resize(bytes.size() - marker.size());
  return bytes;
}
