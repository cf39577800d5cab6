#include "src/browser/io_thread.h"

#include <windows.h>

#include <utility>

#include "src/core/named_thread.h"

namespace cef_internal {

IoThread::IoThread() : thread_(&IoThread::Run, this) {}

IoThread::~IoThread() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void IoThread::Post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    tasks_.push_back(std::move(task));
  }
  wake_.notify_one();
}

void IoThread::PostAndWait(std::function<void()> task) {
  // An event, not a condition variable: the waiter frees it as soon as it
  // wakes, and SetEvent touches nothing of ours after the wake.
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Post([&task, done] {
    task();
    SetEvent(done);
  });
  WaitForSingleObject(done, INFINITE);
  CloseHandle(done);
}

// static
bool IoThread::CurrentlyOn() {
  return CurrentThreadIs(TID_IO);
}

void IoThread::Run() {
  MarkCurrentThreadAs(TID_IO);
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock<std::mutex> hold(lock_);
      wake_.wait(hold, [this] { return stopping_ || !tasks_.empty(); });
      if (tasks_.empty())
        return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    // A handler that throws (or memory that runs out in one) costs that
    // task, never the process.
    try {
      task();
    } catch (...) {
    }
  }
}

}  // namespace cef_internal
