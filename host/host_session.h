// One run of the demo host: sets the system's integration points, runs the
// framework until the main page closes itself, every browser has closed or
// the time limit passes, and prints what the host sees, one line per event.
#ifndef HOST_HOST_SESSION_H_
#define HOST_HOST_SESSION_H_

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "host/console_log_tail.h"
#include "host/host_options.h"
#include "host/host_window.h"
#include "host/record_reader.h"
#include "include/cef_base.h"

class HostSession {
 public:
  explicit HostSession(const HostOptions& options);
  ~HostSession();

  // Returns the process exit code.
  int Run();

 private:
  bool OpenRecordPipe();
  void SetUpStore();
  void ScheduleTick();
  void Tick();
  void LoadPageOnceMainBrowserExists();
  void CheckForErrorPages();
  void OnErrorPageCheck(int64 frame_id,
                        const std::wstring& url,
                        bool shows_error_page);
  void OnOptionsChanged(WPARAM wparam, LPARAM lparam);
  // Dispatches the options-changed messages still queued for the window.
  void DeliverPendingNotifications();
  // Prints what arrived on the console log so far.
  void DrainEvents();
  // Stops the store's writing, closes the pipe's write end and waits for the
  // reader to print what is left.
  void FinishRecords();
  // Any thread.
  static void Emit(const std::string& line);

  HostOptions options_;
  std::unique_ptr<HostWindow> window_;
  HANDLE record_read_ = INVALID_HANDLE_VALUE;
  HANDLE record_write_ = INVALID_HANDLE_VALUE;
  HANDLE record_file_ = INVALID_HANDLE_VALUE;
  // Prints each record as it arrives, off the UI thread.
  std::unique_ptr<RecordReader> reader_;
  // Notifications received; each follows the one record written before it.
  uint64_t notifications_ = 0;
  std::wstring log_path_;
  std::unique_ptr<ConsoleLogTail> console_;
  bool page_requested_ = false;
  bool finished_ = false;
  const CefString error_page_;
  // Frames of the main browser now showing the error page, by the URL shown.
  std::map<int64, std::wstring> error_frames_;
};

#endif  // HOST_HOST_SESSION_H_
