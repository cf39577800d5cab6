// The whole system in one process: the framework's browser side with
// SimpleApp, EmbedBrowserHandler and the option store, its render side in
// single-process mode, a real host window and a real record pipe. Pages
// report through console.log, which the fixture hears as an observer.
#ifndef TESTS_INTEGRATION_SYSTEM_FIXTURE_H_
#define TESTS_INTEGRATION_SYSTEM_FIXTURE_H_

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/simple_app.h"
#include "browser/embed_browser_handler.h"
#include "gtest/gtest.h"
#include "src/browser/navigator.h"

class SystemTest : public testing::Test, public PageObserver {
 protected:
  static const RECT kBounds;

  void SetUp() override;
  void TearDown() override;

  // False: every page browser's renderer runs in kxsubprocess.exe.
  virtual bool SingleProcess() const { return true; }
  // The application object both halves run with.
  virtual CefRefPtr<SimpleApp> CreateApp() { return new SimpleApp(); }
  // Called once the host's store settings are in place, before the
  // framework starts: where a host seeds the user's options.
  virtual void BeforeFrameworkStarts() {}
  // False: SetUp returns once the framework has started, without waiting
  // for the page browsers.
  virtual bool WaitsForBrowsers() const { return true; }

  // Pumps the UI thread until |done| or |timeout_ms|; returns |done|.
  bool RunUntil(const std::function<bool()>& done, int timeout_ms = 10000);

  // Writes |html| to a fresh temporary folder and returns its file URL.
  std::string WritePage(const std::string& name, const std::string& html);
  std::string MissingPageUrl(const std::string& name);

  CefRefPtr<CefBrowser> main_browser() {
    return g_client_handler->main_browser();
  }
  CefRefPtr<CefBrowser> second_browser() {
    return g_client_handler->second_browser();
  }
  // Loads |url| into |browser|'s main frame and waits for its load end.
  bool LoadAndWait(CefRefPtr<CefBrowser> browser, const std::string& url);
  // Runs |code| in the main frame of |browser|.
  void Execute(CefRefPtr<CefBrowser> browser, const std::string& code);
  // Waits for a console message starting with |prefix|; returns the rest.
  bool WaitForConsole(const std::string& prefix,
                      std::string* rest,
                      int timeout_ms = 10000);
  // Evaluates |expression| in |browser|'s main frame and returns its string
  // form (through console.log).
  std::string Evaluate(CefRefPtr<CefBrowser> browser,
                       const std::string& expression);
  // What the framework has logged so far.
  std::string FrameworkLog();
  // The frame's current source, read through the framework.
  std::wstring SourceOf(CefRefPtr<CefFrame> frame);

  // kOptionsChangedMessage (wParam 0, lParam 0) received by the host window.
  static int notifications();

  // The render processes this process started (every child but the GPU
  // process while the framework runs).
  static std::vector<DWORD> ChildRenderers();
  // Ends them as a crash would, and waits until they are gone.
  static void KillRenderers(const std::vector<DWORD>& pids);

  // Bytes the store has written to the record pipe so far (and not yet
  // returned).
  std::string ReadRecords();

  // PageObserver:
  void OnMainBrowserCreated(CefRefPtr<CefBrowser> browser) override {
    main_browser_created_ = true;
  }
  void OnMainFrameLoaded() override { ++main_frame_loads_; }
  void OnJump() override { ++jumps_; }
  void OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                        const CefString& message,
                        const CefString& source,
                        int line) override {
    console_messages_.push_back(message.ToString());
  }
  void OnRenderProcessEnded(CefRefPtr<CefBrowser> browser,
                            RenderProcessEnd status) override {
    ++render_process_ends_;
  }
  void OnLastBrowserClosed() override { last_browser_closed_ = true; }

  CefRefPtr<SimpleApp> app_;
  HWND host_window_ = nullptr;
  HANDLE record_read_ = INVALID_HANDLE_VALUE;
  HANDLE record_write_ = INVALID_HANDLE_VALUE;
  // Drains the record pipe off the UI thread, as a host must: the store's
  // blocking write runs on the UI thread.
  std::thread record_reader_;
  std::mutex records_lock_;
  std::condition_variable records_changed_;
  std::string records_;  // guarded by |records_lock_|
  std::wstring temp_dir_;
  std::wstring log_path_;
  std::vector<std::string> console_messages_;
  size_t console_read_ = 0;
  int main_frame_loads_ = 0;
  int jumps_ = 0;
  int render_process_ends_ = 0;
  bool main_browser_created_ = false;
  bool last_browser_closed_ = false;
};

#endif  // TESTS_INTEGRATION_SYSTEM_FIXTURE_H_
