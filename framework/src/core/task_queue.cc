#include "src/core/task_queue.h"

#include <utility>

#include "src/core/auto_lock.h"

namespace cef_internal {

namespace {

ULONGLONG Now() {
  return GetTickCount64();
}

}  // namespace

TaskQueue::TaskQueue(Delegate* delegate) : delegate_(delegate) {
  InitializeCriticalSection(&lock_);
}

TaskQueue::~TaskQueue() {
  DeleteCriticalSection(&lock_);
}

bool TaskQueue::Post(Task task, int delay_ms) {
  {
    AutoLock hold(&lock_);
    if (alive_) {
      if (delay_ms <= 0)
        queue_.push_back(std::move(task));
      else
        delayed_.emplace(Now() + static_cast<ULONGLONG>(delay_ms),
                         std::move(task));
      WakeLocked();
      return true;
    }
  }
  // The task (and what it captured) dies outside the lock.
  task = nullptr;
  return false;
}

size_t TaskQueue::BeginRound() {
  AutoLock hold(&lock_);
  wake_pending_ = false;
  return queue_.size();
}

size_t TaskQueue::size() {
  AutoLock hold(&lock_);
  return queue_.size();
}

bool TaskQueue::empty() {
  AutoLock hold(&lock_);
  return queue_.empty();
}

bool TaskQueue::TakeNext(Task* task) {
  AutoLock hold(&lock_);
  if (queue_.empty())
    return false;
  *task = std::move(queue_.front());
  queue_.pop_front();
  return true;
}

bool TaskQueue::TakeDueDelayed(ULONGLONG now, Task* task) {
  AutoLock hold(&lock_);
  if (delayed_.empty() || delayed_.begin()->first > now)
    return false;
  *task = std::move(delayed_.begin()->second);
  delayed_.erase(delayed_.begin());
  return true;
}

ULONGLONG TaskQueue::NextDue() {
  AutoLock hold(&lock_);
  return delayed_.empty() ? 0 : delayed_.begin()->first;
}

DWORD TaskQueue::TimeToNextDelayed() {
  const ULONGLONG due = NextDue();
  if (!due)
    return INFINITE;
  const ULONGLONG now = Now();
  return due > now ? static_cast<DWORD>(due - now) : 0;
}

void TaskQueue::WakeIfQueued() {
  AutoLock hold(&lock_);
  if (!queue_.empty())
    WakeLocked();
}

void TaskQueue::Shutdown() {
  std::deque<Task> dropped;
  std::multimap<ULONGLONG, Task> dropped_delayed;
  AutoLock hold(&lock_);
  alive_ = false;
  dropped.swap(queue_);
  dropped_delayed.swap(delayed_);
}

void TaskQueue::WakeLocked() {
  // One wake message at a time keeps the thread's queue from filling up.
  if (!wake_pending_)
    wake_pending_ = delegate_->PostWake();
}

}  // namespace cef_internal
