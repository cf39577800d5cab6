// The tasks posted to one MessageLoop: those to run now in posting order,
// and the delayed ones by due time. Any thread posts; the owner thread
// takes. It asks its delegate for a wake of the owner thread when the first
// task arrives, and asks again only after the owner began a round
// (BeginRound()), so that one wake message at a time is pending.
#ifndef FRAMEWORK_SRC_CORE_TASK_QUEUE_H_
#define FRAMEWORK_SRC_CORE_TASK_QUEUE_H_

#include <windows.h>

#include <deque>
#include <functional>
#include <map>

namespace cef_internal {

class TaskQueue {
 public:
  typedef std::function<void()> Task;

  class Delegate {
   public:
    // Under the queue's lock, from the posting thread: wakes the owner
    // thread, or returns false when it needs no wake (it looks at the queue
    // before it waits) or none could be sent.
    virtual bool PostWake() = 0;

   protected:
    virtual ~Delegate() {}
  };

  explicit TaskQueue(Delegate* delegate);
  ~TaskQueue();
  TaskQueue(const TaskQueue&) = delete;
  TaskQueue& operator=(const TaskQueue&) = delete;

  // Any thread. False (the task dropped) once Shutdown() ran.
  bool Post(Task task, int delay_ms);

  // Owner thread: a round of work starts; the tasks queued now.
  size_t BeginRound();
  size_t size();
  bool empty();
  // Takes the first task queued; false when none is.
  bool TakeNext(Task* task);
  // Takes the first delayed task due by |now|; false when none is.
  bool TakeDueDelayed(ULONGLONG now, Task* task);
  // The next delayed task's due time, 0 for none.
  ULONGLONG NextDue();
  // Milliseconds until the next delayed task, or INFINITE.
  DWORD TimeToNextDelayed();
  // Tasks queued without a wake get one.
  void WakeIfQueued();

  // The owner thread ends: no task is taken any more, and those queued die
  // here.
  void Shutdown();

 private:
  void WakeLocked();

  Delegate* const delegate_;
  // Guards the block below.
  CRITICAL_SECTION lock_;
  std::deque<Task> queue_;
  // Keyed by due time; equal keys keep posting order.
  std::multimap<ULONGLONG, Task> delayed_;
  bool wake_pending_ = false;
  bool alive_ = true;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_TASK_QUEUE_H_
