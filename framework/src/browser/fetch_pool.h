// The worker threads that fetch navigations' documents: a fixed few for the
// whole process, however many frames a page makes, and a budget for the
// bytes they hold until the UI thread has taken them. Workers are never
// joined: a slow server must not hold up shutdown.
#ifndef FRAMEWORK_SRC_BROWSER_FETCH_POOL_H_
#define FRAMEWORK_SRC_BROWSER_FETCH_POOL_H_

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace cef_internal {

class FetchPool {
 public:
  // Fetches at once, as the real framework's network stack allows per host.
  static constexpr int kWorkers = 6;
  // Document bytes fetched and not yet taken, for the whole process.
  static constexpr size_t kMaxBytesInFlight = 96 * 1024 * 1024;

  // The process's pool; its workers start on first use.
  static FetchPool* Get();

  // Runs |job| on a worker, in posting order. False when no worker could
  // be started.
  bool Post(std::function<void()> job);

  // Takes |bytes| of the budget; false (nothing taken) when they do not
  // fit. Any thread.
  bool TakeBytes(size_t bytes);
  void GiveBytes(size_t bytes);

 private:
  FetchPool() = default;
  // Starts workers up to kWorkers; the number running. Under |lock_|.
  int StartWorkersLocked();
  void WorkerLoop();

  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;  // guarded by |lock_|
  int workers_ = 0;                         // guarded by |lock_|
  std::atomic<size_t> bytes_in_flight_{0};
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_FETCH_POOL_H_
