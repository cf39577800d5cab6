#include "host/host_session.h"

#include <cstdio>
#include <mutex>

#include "app/simple_app.h"
#include "browser/embed_browser_handler.h"
#include "browser/error_page.h"
#include "host/closure_task.h"
#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_task.h"
#include "store/option_store.h"

namespace {

constexpr int kTickMs = 20;
// How long a notification waits for the record written before it. The record
// is in the pipe by then, so this only bounds a reader that has failed.
constexpr int kRecordCatchUpMs = 5000;

std::mutex g_output_lock;

std::wstring SiblingPath(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  return dir.substr(0, dir.find_last_of(L"\\/") + 1) + name;
}

std::wstring TempLogPath() {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + L"kxhost-" +
         std::to_wstring(GetCurrentProcessId()) + L".log";
}

// Tells whether a frame's source is the built-in error page.
class SourceCheck : public CefStringVisitor {
 public:
  SourceCheck(const CefString& error_page, std::function<void(bool)> done)
      : error_page_(error_page), done_(done) {}
  void Visit(const CefString& source) override { done_(source == error_page_); }

 private:
  const CefString& error_page_;
  std::function<void(bool)> done_;
  IMPLEMENT_REFCOUNTING(SourceCheck);
};

}  // namespace

HostSession::HostSession(const HostOptions& options)
    : options_(options),
      log_path_(TempLogPath()),
      error_page_(JoinErrorPage()) {}

HostSession::~HostSession() {
  FinishRecords();
  for (HANDLE handle : {record_read_, record_file_}) {
    if (handle != INVALID_HANDLE_VALUE)
      CloseHandle(handle);
  }
  DeleteFileW(log_path_.c_str());
}

int HostSession::Run() {
  if (!OpenRecordPipe()) {
    std::fprintf(stderr, "kxhost: cannot open the record pipe or file\n");
    return 1;
  }
  reader_.reset(new RecordReader(record_read_, record_file_,
                                 [](const HostFilterRecord& record) {
                                   Emit(RecordDecoder::Format(record));
                                 }));
  if (!reader_->Start()) {
    std::fprintf(stderr, "kxhost: cannot start the record reader\n");
    return 1;
  }
  window_.reset(new HostWindow(
      options_.bounds, [this](WPARAM w, LPARAM l) { OnOptionsChanged(w, l); }));
  SetUpStore();

  CefRefPtr<SimpleApp> app(new SimpleApp());
  app->SetParentWindow(window_->hwnd());
  app->SetWindowBounds(options_.bounds);
  if (!options_.allowed_origins.empty())
    app->SetAllowedOrigins(options_.allowed_origins);

  CefSettings settings;
  settings.single_process = options_.single_process;
  CefString(&settings.browser_subprocess_path) =
      SiblingPath(L"kxsubprocess.exe");
  CefString(&settings.log_file) = log_path_;
  console_.reset(new ConsoleLogTail(log_path_));
  CefMainArgs main_args(GetModuleHandleW(nullptr));
  if (!CefInitialize(main_args, settings, app.get(), nullptr)) {
    std::fprintf(stderr, "kxhost: the framework did not start\n");
    return 1;
  }
  CefPostDelayedTask(TID_UI, new ClosureTask([this] {
                       finished_ = true;
                       CefQuitMessageLoop();
                     }),
                     options_.timeout_ms);
  ScheduleTick();
  CefRunMessageLoop();
  DeliverPendingNotifications();
  DrainEvents();
  finished_ = true;
  CefShutdown();
  FinishRecords();
  return 0;
}

void HostSession::FinishRecords() {
  OptionStore* store = OptionStore::GetInstance();
  store->SetHostRecordEnabled(false);
  store->SetHostHandle(INVALID_HANDLE_VALUE);
  if (record_write_ != INVALID_HANDLE_VALUE) {
    CloseHandle(record_write_);
    record_write_ = INVALID_HANDLE_VALUE;
  }
  if (reader_)
    reader_->Join();
}

bool HostSession::OpenRecordPipe() {
  if (!CreatePipe(&record_read_, &record_write_, nullptr, 1 << 16))
    return false;
  if (options_.record_file.empty())
    return true;
  record_file_ = CreateFileW(options_.record_file.c_str(), FILE_APPEND_DATA,
                             FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  return record_file_ != INVALID_HANDLE_VALUE;
}

void HostSession::SetUpStore() {
  OptionStore* store = OptionStore::GetInstance();
  store->SetHostWindow(window_->hwnd());
  store->SetHostHandle(record_write_);
  store->SetHostRecordEnabled(true);
  for (const std::wstring& text : options_.normal_voices)
    store->AddNormalVoice(text);
  for (const std::wstring& text : options_.horn_voices)
    store->AddHornVoice(text);
}

void HostSession::ScheduleTick() {
  CefPostDelayedTask(TID_UI, new ClosureTask([this] { Tick(); }), kTickMs);
}

void HostSession::Tick() {
  if (finished_)
    return;
  DrainEvents();
  LoadPageOnceMainBrowserExists();
  CheckForErrorPages();
  // The main page closed itself (window.close()): the demo is over.
  if (page_requested_ && g_client_handler && !g_client_handler->main_window()) {
    finished_ = true;
    CefQuitMessageLoop();
    return;
  }
  ScheduleTick();
}

void HostSession::LoadPageOnceMainBrowserExists() {
  if (page_requested_ || !g_client_handler || !g_client_handler->main_browser())
    return;
  page_requested_ = true;
  g_client_handler->main_browser()->GetMainFrame()->LoadURL(options_.url);
}

void HostSession::CheckForErrorPages() {
  if (!g_client_handler || !g_client_handler->main_window())
    return;
  CefRefPtr<CefBrowser> browser = g_client_handler->main_browser();
  std::vector<int64> frame_ids;
  browser->GetFrameIdentifiers(frame_ids);
  for (int64 id : frame_ids) {
    CefRefPtr<CefFrame> frame = browser->GetFrame(id);
    if (!frame)
      continue;
    const std::wstring url = frame->GetURL().ToWString();
    frame->GetSource(new SourceCheck(error_page_, [this, id, url](bool shown) {
      OnErrorPageCheck(id, url, shown);
    }));
  }
}

void HostSession::OnErrorPageCheck(int64 frame_id,
                                   const std::wstring& url,
                                   bool shows_error_page) {
  if (finished_)
    return;
  if (!shows_error_page) {
    error_frames_.erase(frame_id);
    return;
  }
  auto it = error_frames_.find(frame_id);
  if (it != error_frames_.end() && it->second == url)
    return;
  error_frames_[frame_id] = url;
  DrainEvents();
  Emit("error-page " + CefString(url).ToString());
}

void HostSession::OnOptionsChanged(WPARAM wparam, LPARAM lparam) {
  // The record was written before the message was posted: print it first.
  reader_->WaitForRecords(++notifications_, kRecordCatchUpMs);
  DrainEvents();
  Emit("notify " + std::to_string(kOptionsChangedMessage) + " " +
       std::to_string(wparam) + " " + std::to_string(lparam));
}

void HostSession::DeliverPendingNotifications() {
  // The loop can end with notifications still queued behind the work that
  // ended it: every posted one is still reported.
  MSG message;
  while (PeekMessageW(&message, window_->hwnd(), kOptionsChangedMessage,
                      kOptionsChangedMessage, PM_REMOVE))
    DispatchMessageW(&message);
}

void HostSession::DrainEvents() {
  if (console_) {
    for (const std::string& message : console_->ReadNewMessages())
      Emit("console: " + message);
  }
}

void HostSession::Emit(const std::string& line) {
  std::lock_guard<std::mutex> lock(g_output_lock);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}
