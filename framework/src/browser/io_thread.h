// The browser process's IO thread. The real framework calls some handlers
// there (OnBeforePopup, OnRenderProcessThreadCreated); so does this one. It
// runs posted closures in order and nothing else: no Win32 message loop, no
// COM.
#ifndef FRAMEWORK_SRC_BROWSER_IO_THREAD_H_
#define FRAMEWORK_SRC_BROWSER_IO_THREAD_H_

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace cef_internal {

class IoThread {
 public:
  IoThread();
  IoThread(const IoThread&) = delete;
  IoThread& operator=(const IoThread&) = delete;
  // Runs what is still queued, then ends the thread.
  ~IoThread();

  // Any thread.
  void Post(std::function<void()> task);
  // Any thread but this one: runs |task| here and returns once it has run.
  void PostAndWait(std::function<void()> task);
  // True on an IO thread.
  static bool CurrentlyOn();

 private:
  void Run();

  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;  // guarded by |lock_|
  bool stopping_ = false;                    // guarded by |lock_|
  std::thread thread_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_IO_THREAD_H_
