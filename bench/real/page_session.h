// The page half of make bench-real, as a host runs the component: this
// process is the browser process, the page's renderer is kxsubprocess.exe
// (or this process, single-process), the records go through a pipe that a
// reader thread decodes and the notifications come to a window of ours.
// bench/pages/real_rows.html measures its rows and reports them on its
// console; then this session times bursts of page updates against a raw
// WriteFile + PostMessageW loop, as many page queries in a burst (the
// framework's own messages, for comparison), and pushes voice texts for the
// page to read at each arrival. Every figure goes to stdout as
// one line, "bench NAME PROJECT FLOOR" ("bench queries MS" for the last),
// for the bench's main process to read.
#ifndef BENCH_REAL_PAGE_SESSION_H_
#define BENCH_REAL_PAGE_SESSION_H_

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "browser/page_observer.h"
#include "host/host_window.h"
#include "host/record_reader.h"

// The limit of a page session's run: far more than the slowest machine
// needs for the default counts, so that only a stall reaches it.
constexpr int kPageRunLimitMs = 30 * 60 * 1000;

struct PageCounts {
  int reps = 3;
  // Round trips per block, and pairs of blocks per repetition.
  int trips = 40;
  int blocks = 5;
  int reads = 100000;
  int voice_reads = 300;
  int burst = 10000;
  // Voice texts pushed one after another, each read at its arrival.
  int voice_arrivals = 2000;
  bool single_process = false;
};

class PageSession : public PageObserver {
 public:
  PageSession(const PageCounts& counts, const std::string& page_url);
  ~PageSession() override;

  // Returns the process exit code: 0 when every step produced its figures.
  int Run();

  // PageObserver (UI thread):
  void OnMainBrowserCreated(CefRefPtr<CefBrowser> browser) override;
  void OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                        const CefString& message,
                        const CefString& source,
                        int line) override;
  void OnRenderProcessEnded(CefRefPtr<CefBrowser> browser,
                            RenderProcessEnd status) override;

 private:
  bool OpenRecords();
  void OnPageDone(long long sets);
  void QueueBursts();
  void NextStep();
  // Runs |then| once every record and notification sent so far is in.
  void AfterDelivery(std::function<void()> then);
  void CheckDelivery();
  void RawBurst();
  void PageBurst();
  void QueryBurst();
  void VoiceArrivals();
  void PushVoice();
  void ReportBurst();
  void Fail(const std::string& why);
  void Finish();

  const PageCounts counts_;
  const std::string page_url_;
  std::unique_ptr<HostWindow> window_;
  HANDLE record_read_ = INVALID_HANDLE_VALUE;
  HANDLE record_write_ = INVALID_HANDLE_VALUE;
  std::unique_ptr<RecordReader> reader_;
  std::atomic<long long> records_{0};
  // Records the reader waits for before it wakes the UI thread.
  std::atomic<long long> wanted_records_{0};
  // When the reader read the record it waited for (NowUs).
  std::atomic<double> wanted_record_read_us_{0};
  long long notices_ = 0;
  // Records (and as many notifications) sent so far.
  long long expected_ = 0;
  std::function<void()> on_delivered_;
  std::function<void()> on_settled_;
  std::function<void()> on_queries_answered_;
  std::function<void()> on_voices_done_;
  size_t voices_pushed_ = 0;
  std::deque<std::function<void()>> steps_;
  double started_us_ = 0;
  double raw_ms_ = 0;
  double page_ms_ = 0;
  double queries_ms_ = 0;
  CefRefPtr<CefBrowser> main_browser_;
  bool finished_ = false;
  int exit_code_ = 0;
};

#endif  // BENCH_REAL_PAGE_SESSION_H_
