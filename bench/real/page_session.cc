#include "bench/real/page_session.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/simple_app.h"
#include "bench/bench_stats.h"
#include "bench/bench_voices.h"
#include "browser/embed_browser_handler.h"
#include "common/host_command.h"
#include "host/closure_task.h"
#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_task.h"
#include "store/host_filter_record.h"
#include "store/option_store.h"
#include "store/renderer_update_broadcaster.h"

namespace {

constexpr int kCloseGraceMs = 5000;
// A pause before the count, for anything that would come late.
constexpr int kLateArrivalMs = 500;
const char kBenchPrefix[] = "bench ";

void PostUiTask(std::function<void()> closure, int delay_ms = 0) {
  CefPostDelayedTask(TID_UI, new ClosureTask(std::move(closure)), delay_ms);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

void PrintLine(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

}  // namespace

PageSession::PageSession(const PageCounts& counts, const std::string& page_url)
    : counts_(counts), page_url_(page_url) {}

PageSession::~PageSession() {
  EmbedBrowserHandler::RemoveObserver(this);
  for (HANDLE handle : {record_read_, record_write_}) {
    if (handle != INVALID_HANDLE_VALUE)
      CloseHandle(handle);
  }
}

bool PageSession::OpenRecords() {
  if (!CreatePipe(&record_read_, &record_write_, nullptr, 1 << 16))
    return false;
  reader_.reset(new RecordReader(
      record_read_, INVALID_HANDLE_VALUE, [this](const HostFilterRecord& r) {
        if (r.record_type != kHostFilterRecordType || r.count != 1)
          return;
        // Wakes the UI thread once, as the count reaches what it waits for.
        const long long count = ++records_;
        if (count == wanted_records_.load()) {
          wanted_record_read_us_ = NowUs();
          PostUiTask([this] { CheckDelivery(); });
        }
      }));
  return reader_->Start();
}

int PageSession::Run() {
  if (!OpenRecords()) {
    std::fprintf(stderr, "kxbench_real: cannot open the record pipe\n");
    return 1;
  }
  const RECT bounds = {100, 100, 900, 700};
  window_.reset(new HostWindow(bounds, [this](WPARAM, LPARAM) {
    ++notices_;
    CheckDelivery();
  }));
  OptionStore* store = OptionStore::GetInstance();
  store->SetHostWindow(window_->hwnd());
  store->SetHostHandle(record_write_);
  store->SetHostRecordEnabled(true);
  for (const std::wstring& text : FullVoiceList())
    store->AddNormalVoice(text);
  EmbedBrowserHandler::AddObserver(this);

  CefRefPtr<SimpleApp> app(new SimpleApp());
  app->SetParentWindow(window_->hwnd());
  app->SetWindowBounds(bounds);
  CefSettings settings;
  settings.single_process = counts_.single_process;
  settings.no_sandbox = 1;
  CefString(&settings.browser_subprocess_path) =
      ProgramFolder() + L"kxsubprocess.exe";
  if (!CefInitialize(CefMainArgs(GetModuleHandleW(nullptr)), settings,
                     app.get(), nullptr)) {
    std::fprintf(stderr, "kxbench_real: the framework did not start\n");
    return 1;
  }
  PostUiTask(
      [this] {
        if (!finished_)
          Fail("the run took longer than its limit");
      },
      kPageRunLimitMs);
  CefRunMessageLoop();
  // The reader never wakes a UI thread that is gone.
  wanted_records_ = -1;
  EmbedBrowserHandler::RemoveObserver(this);
  main_browser_ = nullptr;
  CefShutdown();

  // Notifications still queued behind the loop's end count too.
  MSG message;
  while (PeekMessageW(&message, window_->hwnd(), kOptionsChangedMessage,
                      kOptionsChangedMessage, PM_REMOVE))
    DispatchMessageW(&message);
  store->SetHostRecordEnabled(false);
  store->SetHostHandle(INVALID_HANDLE_VALUE);
  store->SetHostWindow(nullptr);
  CloseHandle(record_write_);
  record_write_ = INVALID_HANDLE_VALUE;
  reader_->Join();
  PrintLine("bench delivered " + std::to_string(records_.load()) + " " +
            std::to_string(notices_) + " " + std::to_string(expected_));
  return exit_code_;
}

void PageSession::OnMainBrowserCreated(CefRefPtr<CefBrowser> browser) {
  if (main_browser_)
    return;
  main_browser_ = browser;
  browser->GetMainFrame()->LoadURL(page_url_);
}

void PageSession::OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                                   const CefString& message,
                                   const CefString& source,
                                   int line) {
  const std::string text = message.ToString();
  if (!StartsWith(text, kBenchPrefix))
    return;
  const std::string what = text.substr(sizeof(kBenchPrefix) - 1);
  if (StartsWith(what, "page-done ")) {
    OnPageDone(std::atoll(what.c_str() + 10));
  } else if (what == "settled") {
    if (on_settled_)
      std::exchange(on_settled_, nullptr)();
  } else if (what == "voices-ready" || what == "voice-next") {
    PushVoice();
  } else if (what == "voices-done") {
    if (on_voices_done_)
      std::exchange(on_voices_done_, nullptr)();
  } else if (what == "queries-answered") {
    if (on_queries_answered_)
      std::exchange(on_queries_answered_, nullptr)();
  } else if (StartsWith(what, "error")) {
    Fail("the page says: " + what);
  } else {
    PrintLine(text);
  }
}

void PageSession::OnRenderProcessEnded(CefRefPtr<CefBrowser> browser,
                                       RenderProcessEnd status) {
  Fail("a render process ended (" + std::to_string(status) + ")");
}

void PageSession::OnPageDone(long long sets) {
  expected_ += sets;
  for (int rep = 0; rep < counts_.reps; ++rep) {
    steps_.push_back([this] { VoiceArrivals(); });
    // Each goes first every other time.
    if (rep % 2) {
      steps_.push_back([this] { RawBurst(); });
      steps_.push_back([this] { PageBurst(); });
    } else {
      steps_.push_back([this] { PageBurst(); });
      steps_.push_back([this] { RawBurst(); });
    }
    steps_.push_back([this] { QueryBurst(); });
    steps_.push_back([this] { ReportBurst(); });
  }
  steps_.push_back([this] {
    AfterDelivery([this] { PostUiTask([this] { Finish(); }, kLateArrivalMs); });
  });
  NextStep();
}

void PageSession::NextStep() {
  if (finished_ || steps_.empty())
    return;
  std::function<void()> step = std::move(steps_.front());
  steps_.pop_front();
  step();
}

void PageSession::AfterDelivery(std::function<void()> then) {
  wanted_records_ = expected_;
  on_delivered_ = std::move(then);
  CheckDelivery();
}

void PageSession::CheckDelivery() {
  if (!on_delivered_ || records_.load() < expected_ || notices_ < expected_)
    return;
  std::exchange(on_delivered_, nullptr)();
}

void PageSession::PageBurst() {
  AfterDelivery([this] {
    const double start = NowUs();
    expected_ += counts_.burst;
    wanted_records_ = expected_;
    on_delivered_ = [this, start] {
      page_ms_ = (NowUs() - start) / 1000;
      PrintLine("bench burst-records " +
                std::to_string((wanted_record_read_us_ - start) / 1000));
      // The page sees its last update come back before the next step.
      on_settled_ = [this] { NextStep(); };
      main_browser_->GetMainFrame()->ExecuteJavaScript("settle();", "", 0);
    };
    main_browser_->GetMainFrame()->ExecuteJavaScript(
        "burst(" + std::to_string(counts_.burst) + ");", "", 0);
  });
}

void PageSession::RawBurst() {
  AfterDelivery([this] {
    OptionBlock block = MakeEmptyOptionBlock();
    block.count = 1;
    block.entries[0].uic_type = 3;
    block.entries[0].is_filter = 1;
    const HostFilterRecord record = BuildHostFilterRecord(block);
    const DWORD size = static_cast<DWORD>(HostFilterRecordSize(1));
    const double start = NowUs();
    expected_ += counts_.burst;
    wanted_records_ = expected_;
    on_delivered_ = [this, start] {
      raw_ms_ = (NowUs() - start) / 1000;
      NextStep();
    };
    for (int i = 0; i < counts_.burst; ++i) {
      DWORD written = 0;
      WriteFile(record_write_, &record, size, &written, nullptr);
      PostMessageW(window_->hwnd(), kOptionsChangedMessage, 0, 0);
    }
    CheckDelivery();
  });
}

void PageSession::QueryBurst() {
  const double start = NowUs();
  on_queries_answered_ = [this, start] {
    queries_ms_ = (NowUs() - start) / 1000;
    NextStep();
  };
  main_browser_->GetMainFrame()->ExecuteJavaScript(
      "queryBurst(" + std::to_string(counts_.burst) + ");", "", 0);
}

void PageSession::VoiceArrivals() {
  on_voices_done_ = [this] { NextStep(); };
  main_browser_->GetMainFrame()->ExecuteJavaScript(
      "voiceArrivals(" + std::to_string(counts_.voice_arrivals) + ");", "", 0);
}

// Each text pushed is the list's oldest again, counting on from the last
// round: the list keeps its texts and turns by one, as the page expects.
void PageSession::PushVoice() {
  static const std::vector<std::wstring> voices = FullVoiceList();
  const std::wstring& text = voices[voices_pushed_++ % voices.size()];
  OptionStore::GetInstance()->AddNormalVoice(text);
  SendHostCommand(g_client_handler, MakeVoiceCommand(kAddNormalVoice, text));
}

void PageSession::ReportBurst() {
  PrintLine("bench burst " + std::to_string(page_ms_) + " " +
            std::to_string(raw_ms_));
  PrintLine("bench queries " + std::to_string(queries_ms_));
  NextStep();
}

void PageSession::Fail(const std::string& why) {
  std::fprintf(stderr, "kxbench_real: %s\n", why.c_str());
  std::fflush(stderr);
  exit_code_ = 1;
  Finish();
}

void PageSession::Finish() {
  if (finished_)
    return;
  finished_ = true;
  steps_.clear();
  if (!g_client_handler || g_client_handler->browser_count() == 0) {
    CefQuitMessageLoop();
    return;
  }
  // The handler ends the loop once the last browser has closed.
  g_client_handler->CloseAllBrowsers(true);
  PostUiTask(
      [] {
        std::fprintf(stderr, "kxbench_real: a browser did not close\n");
        CefQuitMessageLoop();
      },
      kCloseGraceMs);
}
