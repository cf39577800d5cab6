#include "src/browser/fetch_pool.h"

#include <exception>
#include <thread>
#include <utility>

namespace cef_internal {

// static
FetchPool* FetchPool::Get() {
  // Leaked on purpose: workers may outlive every framework instance.
  static FetchPool* const pool = new FetchPool();
  return pool;
}

bool FetchPool::Post(std::function<void()> job) {
  std::lock_guard<std::mutex> hold(lock_);
  if (StartWorkersLocked() == 0)
    return false;
  jobs_.push_back(std::move(job));
  wake_.notify_one();
  return true;
}

int FetchPool::StartWorkersLocked() {
  while (workers_ < kWorkers) {
    try {
      std::thread(&FetchPool::WorkerLoop, this).detach();
    } catch (const std::exception&) {
      // No thread to be had now: the ones running do the work.
      break;
    }
    ++workers_;
  }
  return workers_;
}

void FetchPool::WorkerLoop() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock<std::mutex> hold(lock_);
      wake_.wait(hold, [this] { return !jobs_.empty(); });
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    // A job reports its own failures; nothing it throws may end the
    // process from here.
    try {
      job();
    } catch (...) {
    }
  }
}

bool FetchPool::TakeBytes(size_t bytes) {
  size_t used = bytes_in_flight_.load();
  do {
    if (bytes > kMaxBytesInFlight - used)
      return false;
  } while (!bytes_in_flight_.compare_exchange_weak(used, used + bytes));
  return true;
}

void FetchPool::GiveBytes(size_t bytes) {
  bytes_in_flight_ -= bytes;
}

}  // namespace cef_internal
