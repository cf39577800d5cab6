// How long page script may run without returning to the thread's loop. A
// page that never yields (while (true) {}) would otherwise stop the thread
// it runs on for good: in single-process mode the browser process's UI
// thread. Past the budget the engine throws a RangeError ("execution
// timeout") that no page code can outlast: it is thrown again at every check
// until the outermost call has returned, and is reported on the console like
// any uncaught error.
//
// The limit is process-wide: ten seconds, or the milliseconds in the
// environment variable KX_SCRIPT_BUDGET_MS (render processes inherit it),
// or what SetLimitMs() last set. Tests shorten it to stay fast.
#ifndef FRAMEWORK_SRC_SCRIPT_SCRIPT_BUDGET_H_
#define FRAMEWORK_SRC_SCRIPT_SCRIPT_BUDGET_H_

#include <stdint.h>

namespace cef_internal {

class ScriptBudget {
 public:
  static constexpr int kDefaultLimitMs = 10000;

  static int LimitMs();
  // |limit_ms| <= 0 restores the default (or the environment's).
  static void SetLimitMs(int limit_ms);

  // One context's clock: started when its outermost script call begins,
  // stopped when that call returns.
  void Start();
  void Stop();
  // Asked by the engine every few hundred thousand instructions.
  bool Exceeded() const;

 private:
  uint64_t deadline_ = 0;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_SCRIPT_BUDGET_H_
