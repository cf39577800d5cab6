// A framework task that runs a closure.
#ifndef HOST_CLOSURE_TASK_H_
#define HOST_CLOSURE_TASK_H_

#include <functional>

#include "include/cef_task.h"

class ClosureTask : public CefTask {
 public:
  explicit ClosureTask(std::function<void()> closure)
      : closure_(std::move(closure)) {}
  void Execute() override { closure_(); }

 private:
  std::function<void()> closure_;
  IMPLEMENT_REFCOUNTING(ClosureTask);
};

#endif  // HOST_CLOSURE_TASK_H_
