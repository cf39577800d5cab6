#include "bench/system_session.h"

#include <cstdio>
#include <fstream>

#include "bench/bench_stats.h"
#include "bench/file_url.h"
#include "bench/floors.h"
#include "browser/embed_browser_handler.h"
#include "include/cef_app.h"
#include "src/core/message_loop.h"
#include "store/option_store.h"

namespace {

const wchar_t kHostClass[] = L"KxBenchHost";
constexpr int kWaitMs = 60000;

std::atomic<long long> g_notices{0};

// Each trip sets a fresh filter id, then waits for the page's cache change
// event until the page's own copy of the options carries that id; "Onjump"
// says done. (Bursts use negative ids, so they never look like a trip.)
const char kRoundTripPage[] =
    "<script>\n"
    "var left = 0, id = 0, mark = '';\n"
    "addEventListener('kxhelperchange', function(event) {\n"
    "  if (event.detail.change !== 'options' || left <= 0) return;\n"
    "  if (KXHelper.GetUserOptions().indexOf(mark) < 0) return;\n"
    "  if (--left > 0) trip(); else window.cefQuery({request: 'Onjump'});\n"
    "});\n"
    "function trip() {\n"
    "  ++id;\n"
    "  mark = '\"filter_id\":' + id + ',';\n"
    "  KXHelper.SetUserOptions('[{\"uic_type\":3,\"filter_id\":' + id +\n"
    "                          ',\"is_filter\":true}]');\n"
    "}\n"
    "function run(n) { left = n; trip(); }\n"
    "</script>\n";

OptionBlock BurstBlock(int serial) {
  OptionBlock block = MakeEmptyOptionBlock();
  block.count = 1;
  block.entries[0].uic_type = 3;
  block.entries[0].filter_id = serial;
  block.entries[0].is_filter = 1;
  return block;
}

}  // namespace

SystemSession::SystemSession() {}

SystemSession::~SystemSession() {
  Stop();
}

LRESULT CALLBACK SystemSession::HostWindowProc(HWND window,
                                               UINT message,
                                               WPARAM wparam,
                                               LPARAM lparam) {
  if (message == kOptionsChangedMessage && wparam == 0 && lparam == 0) {
    ++g_notices;
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool SystemSession::RunUntil(const std::function<bool()>& done,
                             int timeout_ms) {
  if (cef_internal::MessageLoop::Current()->RunUntil(done, timeout_ms))
    return true;
  // Said at once, and failing the run: a wait that ran out is a fault, not
  // a slow figure.
  std::fprintf(stderr, "kxbench: a wait ran out after %d ms\n", timeout_ms);
  stalled_ = true;
  return false;
}

void SystemSession::DrainRecords() {
  char buffer[64 * 1024];
  DWORD moved = 0;
  while (ReadFile(record_read_, buffer, sizeof(buffer), &moved, nullptr) &&
         moved)
    record_bytes_ += moved;
}

bool SystemSession::Start() {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = HostWindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kHostClass;
  RegisterClassW(&window_class);
  host_window_ =
      CreateWindowExW(0, kHostClass, L"host", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                      100, nullptr, nullptr, nullptr, nullptr);
  if (!host_window_ ||
      !CreatePipe(&record_read_, &record_write_, nullptr, 1 << 16))
    return false;
  drain_ = std::thread(&SystemSession::DrainRecords, this);

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  page_path_ = std::wstring(temp) + L"kxbench-" +
               std::to_wstring(GetCurrentProcessId()) + L".html";
  std::ofstream(CefString(page_path_).ToString(), std::ios::binary)
      << kRoundTripPage;

  OptionStore* store = OptionStore::GetInstance();
  store->SetHostWindow(host_window_);
  store->SetHostHandle(record_write_);
  store->SetHostRecordEnabled(true);

  app_ = new SimpleApp();
  app_->SetParentWindow(host_window_);
  RECT bounds = {0, 0, 800, 600};
  app_->SetWindowBounds(bounds);
  CefSettings settings;
  settings.single_process = false;
  CefString(&settings.browser_subprocess_path) =
      ProgramFolder() + L"kxsubprocess.exe";
  if (!CefInitialize(CefMainArgs(GetModuleHandleW(nullptr)), settings,
                     app_.get(), nullptr))
    return false;
  started_ = true;
  if (!RunUntil(
          [] {
            return g_client_handler && g_client_handler->browser_count() == 2;
          },
          kWaitMs))
    return false;
  g_client_handler->AddObserver(this);
  const int loads = main_frame_loads_;
  g_client_handler->main_browser()->GetMainFrame()->LoadURL(
      FileUrl(page_path_));
  if (!RunUntil([&] { return main_frame_loads_ > loads; }, kWaitMs))
    return false;
  // One update shows the record size and lets the first sync settle.
  expected_ = 1;
  OptionBlock block = BurstBlock(0);
  store->UpdateOptions(&block);
  if (!RunUntil([&] { return record_bytes_.load() > 0 && g_notices == 1; },
                kWaitMs))
    return false;
  record_size_ = record_bytes_.load();
  return RoundTripUs(1) > 0;
}

void SystemSession::Stop() {
  if (started_) {
    // As a host must: every browser closed before the framework ends.
    if (g_client_handler && g_client_handler->browser_count() > 0) {
      g_client_handler->CloseAllBrowsers(true);
      RunUntil(
          [] {
            return !g_client_handler || g_client_handler->browser_count() == 0;
          },
          kWaitMs);
    }
    if (g_client_handler)
      g_client_handler->RemoveObserver(this);
    CefShutdown();
    started_ = false;
  }
  OptionStore* store = OptionStore::GetInstance();
  store->SetHostRecordEnabled(false);
  store->SetHostHandle(INVALID_HANDLE_VALUE);
  store->SetHostWindow(nullptr);
  app_ = nullptr;
  if (record_write_ != INVALID_HANDLE_VALUE) {
    CloseHandle(record_write_);
    record_write_ = INVALID_HANDLE_VALUE;
  }
  if (drain_.joinable())
    drain_.join();
  if (record_read_ != INVALID_HANDLE_VALUE) {
    CloseHandle(record_read_);
    record_read_ = INVALID_HANDLE_VALUE;
  }
  if (host_window_) {
    DestroyWindow(host_window_);
    host_window_ = nullptr;
  }
  if (!page_path_.empty())
    DeleteFileW(page_path_.c_str());
}

double SystemSession::RoundTripUs(int trips) {
  const int jumps = jumps_;
  expected_ += trips;
  const double start = NowUs();
  g_client_handler->main_browser()->GetMainFrame()->ExecuteJavaScript(
      "run(" + std::to_string(trips) + ");", "", 0);
  if (!RunUntil([&] { return jumps_ > jumps; }, kWaitMs))
    return -1;
  return (NowUs() - start) / trips;
}

double SystemSession::WaitForDelivery(double start) {
  bool done = RunUntil(
      [&] {
        return record_bytes_.load() >= expected_ * record_size_ &&
               g_notices.load() >= expected_;
      },
      kWaitMs);
  return done ? NowUs() - start : -1;
}

long long SystemSession::Lost() {
  // A pause for late arrivals, not a wait for anything.
  cef_internal::MessageLoop::Current()->RunUntil([] { return false; }, 500);
  WaitForDelivery(NowUs());
  return (expected_ - record_bytes_.load() / record_size_) +
         (expected_ - g_notices.load());
}

double SystemSession::BurstMs(int updates) {
  // What earlier work left in flight is not this burst's cost.
  WaitForDelivery(NowUs());
  OptionStore* store = OptionStore::GetInstance();
  expected_ += updates;
  const double start = NowUs();
  for (int i = 1; i <= updates; ++i) {
    OptionBlock block = BurstBlock(-i);
    store->UpdateOptions(&block);
  }
  const double elapsed = WaitForDelivery(start);
  // The renderer has the whole burst to apply; one round trip waits for it.
  RoundTripUs(1);
  return elapsed < 0 ? -1 : elapsed / 1000;
}

double SystemSession::WritePostMs(int updates) {
  WaitForDelivery(NowUs());
  const std::string record(static_cast<size_t>(record_size_), '\1');
  expected_ += updates;
  const double start = NowUs();
  for (int i = 0; i < updates; ++i) {
    DWORD written = 0;
    WriteFile(record_write_, record.data(), static_cast<DWORD>(record.size()),
              &written, nullptr);
    PostMessageW(host_window_, kOptionsChangedMessage, 0, 0);
  }
  const double elapsed = WaitForDelivery(start);
  return elapsed < 0 ? -1 : elapsed / 1000;
}
