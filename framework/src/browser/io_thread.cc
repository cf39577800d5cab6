#include "src/browser/io_thread.h"

#include <utility>

namespace cef_internal {

namespace {

thread_local bool g_on_io_thread = false;

}  // namespace

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

// static
bool IoThread::CurrentlyOn() {
  return g_on_io_thread;
}

void IoThread::Run() {
  g_on_io_thread = true;
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
    task();
  }
}

}  // namespace cef_internal
