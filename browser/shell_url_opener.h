// Hands web addresses to the desktop's default browser through the shell, on
// a thread of its own: the shell call may wait on the handler it starts (or
// on a dialog) for as long as that takes, and must never hold up the
// framework's UI or IO thread meanwhile.
#ifndef BROWSER_SHELL_URL_OPENER_H_
#define BROWSER_SHELL_URL_OPENER_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>

class ShellUrlOpener {
 public:
  // Addresses waiting for the shell at most: a page that opens pop-ups
  // faster than the shell takes them loses the rest.
  static constexpr size_t kMaxPending = 16;

  // The one opener, created on first use and never destroyed: its thread may
  // still be inside the shell when the process ends.
  static ShellUrlOpener* GetInstance();

  // Queues |url| for ShellExecuteW. Any thread; never blocks on the shell.
  // False, and nothing opens, when kMaxPending addresses are waiting or the
  // thread cannot start.
  bool Open(const std::wstring& url);

 private:
  ShellUrlOpener() = default;
  ~ShellUrlOpener() = delete;

  void StartThreadLocked();
  void RunThread();

  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<std::wstring> pending_;
  bool started_ = false;
};

#endif  // BROWSER_SHELL_URL_OPENER_H_
