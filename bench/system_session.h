// The whole component across real processes, as a host runs it: this
// process is the browser process, each page browser's renderer runs in
// kxsubprocess.exe, the records go to a pipe that a thread of ours reads
// and the notifications to a window of ours.
#ifndef BENCH_SYSTEM_SESSION_H_
#define BENCH_SYSTEM_SESSION_H_

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "app/simple_app.h"
#include "browser/page_observer.h"

class SystemSession : public PageObserver {
 public:
  SystemSession();
  ~SystemSession();

  // Starts the framework and loads the round-trip page; false on failure.
  bool Start();
  // True once any wait ran out: its figures are not to be trusted.
  bool stalled() const { return stalled_; }
  void Stop();

  // Microseconds per option round trip (page SetUserOptions until the same
  // page's GetUserOptions sees the change); negative on failure.
  double RoundTripUs(int trips);

  // Milliseconds for |updates| OptionStore::UpdateOptions calls until every
  // record was read and every notification delivered. The renderer catches
  // up outside the timing.
  double BurstMs(int updates);
  // The same count of raw WriteFile (one record's size) + PostMessageW.
  double WritePostMs(int updates);

  // Records and notifications that never arrived, of everything sent so far
  // (round trips included); waits a little for late ones.
  long long Lost();

  // PageObserver:
  void OnMainFrameLoaded() override { ++main_frame_loads_; }
  void OnJump() override { ++jumps_; }

 private:
  static LRESULT CALLBACK HostWindowProc(HWND, UINT, WPARAM, LPARAM);
  bool RunUntil(const std::function<bool()>& done, int timeout_ms);
  void DrainRecords();
  // Waits until every record and notification sent so far arrived; returns
  // the microseconds since |start|, or -1.
  double WaitForDelivery(double start);

  CefRefPtr<SimpleApp> app_;
  HWND host_window_ = nullptr;
  HANDLE record_read_ = INVALID_HANDLE_VALUE;
  HANDLE record_write_ = INVALID_HANDLE_VALUE;
  std::thread drain_;
  std::atomic<long long> record_bytes_{0};
  std::wstring page_path_;
  bool started_ = false;
  bool stalled_ = false;
  int main_frame_loads_ = 0;
  int jumps_ = 0;
  long long record_size_ = 0;
  // Records and notifications sent so far.
  long long expected_ = 0;
};

#endif  // BENCH_SYSTEM_SESSION_H_
