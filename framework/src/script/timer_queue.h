// setTimeout for one context. Timers run on the thread's MessageLoop while
// the context lives, ordered by due time and then by creation, whatever
// order the loop's delayed tasks come back in. Delays are clamped as the
// real framework's engine clamps them: at least 1 ms, and at least 4 ms for
// a timer set from a timer callback nested 4 deep or more (nesting level 5),
// so a page that polls with setTimeout(0) leaves the thread time for the
// rest of its work.
#ifndef FRAMEWORK_SRC_SCRIPT_TIMER_QUEUE_H_
#define FRAMEWORK_SRC_SCRIPT_TIMER_QUEUE_H_

#include <stdint.h>

#include <map>
#include <utility>

#include "duktape.h"

namespace cef_internal {

class V8ContextImpl;

class TimerQueue {
 public:
  explicit TimerQueue(V8ContextImpl* context);
  ~TimerQueue();
  TimerQueue(const TimerQueue&) = delete;
  TimerQueue& operator=(const TimerQueue&) = delete;

  // Stack top: [callback (function or code string), arguments...] as an
  // array, which is popped. Returns the timer id (> 0), or 0 when the
  // context is gone.
  int Add(duk_context* ctx, double delay_ms);
  bool Remove(int id);
  // Forgets every timer; their callbacks go with the heap.
  void Clear();
  // Runs, in order, every timer that is due no later than timer |id|.
  void Fire(int id);
  // The delay a timer set at |nesting_level| gets for |delay_ms| (whole
  // milliseconds, not negative).
  static int ClampedDelay(int delay_ms, int nesting_level);
  size_t size() const { return by_id_.size(); }

 private:
  typedef std::pair<uint64_t, int> Key;  // (due ms, id)

  struct Timer {
    uint32_t stash_id;  // of the callback array
    int nesting_level;
  };

  void Run(const Timer& timer);
  void RunCallback(uint32_t stash_id);

  V8ContextImpl* context_;
  std::map<Key, Timer> queue_;
  std::map<int, uint64_t> by_id_;
  int next_id_ = 1;
  // The nesting level of the timer whose callback runs; 0 outside them.
  int running_level_ = 0;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_TIMER_QUEUE_H_
