#include "src/script/timer_queue.h"

#include <chrono>

#include "src/core/message_loop.h"
#include "src/script/duk_string.h"
#include "src/script/v8_context_impl.h"

namespace cef_internal {

namespace {

// Milliseconds of a steady high-resolution clock: the coarse tick count can
// jump by tens of milliseconds between two calls of one script.
uint64_t NowMs() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

constexpr int kMinDelayMs = 1;
constexpr int kNestedMinDelayMs = 4;
constexpr int kClampedNestingLevel = 5;

}  // namespace

// static
int TimerQueue::ClampedDelay(int delay_ms, int nesting_level) {
  if (nesting_level >= kClampedNestingLevel && delay_ms < kNestedMinDelayMs)
    return kNestedMinDelayMs;
  return delay_ms < kMinDelayMs ? kMinDelayMs : delay_ms;
}

TimerQueue::TimerQueue(V8ContextImpl* context) : context_(context) {}

TimerQueue::~TimerQueue() {}

int TimerQueue::Add(duk_context* ctx, double delay_ms) {
  if (!context_->IsValid()) {
    duk_pop(ctx);
    return 0;
  }
  int id = next_id_++;
  if (next_id_ <= 0)
    next_id_ = 1;
  uint32_t stash_id = context_->StashAdd(-1);
  duk_pop(ctx);
  const int level = running_level_ + 1;
  const int delay = ClampedDelay(static_cast<int>(delay_ms), level);
  uint64_t due = NowMs() + static_cast<uint64_t>(delay);
  queue_[Key(due, id)] = Timer{stash_id, level};
  by_id_[id] = due;
  CefRefPtr<V8ContextImpl> context(context_);
  MessageLoop::Current()->PostDelayedTask(
      [context, id]() { context->timers().Fire(id); }, delay);
  return id;
}

bool TimerQueue::Remove(int id) {
  auto it = by_id_.find(id);
  if (it == by_id_.end())
    return false;
  auto entry = queue_.find(Key(it->second, id));
  if (entry != queue_.end()) {
    context_->StashRemove(entry->second.stash_id);
    queue_.erase(entry);
  }
  by_id_.erase(it);
  return true;
}

void TimerQueue::Clear() {
  queue_.clear();
  by_id_.clear();
}

void TimerQueue::Fire(int id) {
  auto it = by_id_.find(id);
  if (it == by_id_.end())
    return;
  const Key target(it->second, id);
  // Timers the loop has not handed back yet but that are due before this
  // one run first; their own tasks then find nothing to do.
  while (context_->IsValid() && !queue_.empty()) {
    auto first = queue_.begin();
    if (target < first->first)
      break;
    const Timer timer = first->second;
    by_id_.erase(first->first.second);
    queue_.erase(first);
    Run(timer);
  }
}

void TimerQueue::Run(const Timer& timer) {
  // Timers set by this callback are one level deeper.
  const int outer_level = running_level_;
  running_level_ = timer.nesting_level;
  RunCallback(timer.stash_id);
  running_level_ = outer_level;
}

void TimerQueue::RunCallback(uint32_t stash_id) {
  V8ContextImpl::RunScope scope(context_);
  duk_context* ctx = context_->heap();
  duk_idx_t base = duk_get_top(ctx);
  bool found = context_->StashPush(stash_id);
  context_->StashRemove(stash_id);
  if (!found)
    return;
  // [callback, arguments...] made by setTimeout: a plain array.
  duk_idx_t count = static_cast<duk_idx_t>(duk_get_length(ctx, -1));
  duk_get_prop_index(ctx, -1, 0);
  if (duk_is_string(ctx, -1)) {
    CefString code = GetCefString(ctx, -1);
    duk_set_top(ctx, base);
    context_->RunScript(code, CefString(), 1);
    return;
  }
  if (!duk_is_function(ctx, -1) || !duk_check_stack(ctx, count + 1)) {
    duk_set_top(ctx, base);
    return;
  }
  duk_push_global_object(ctx);
  for (duk_idx_t i = 1; i < count; ++i)
    duk_get_prop_index(ctx, base, static_cast<duk_uarridx_t>(i));
  context_->CallAndReport(count > 0 ? count - 1 : 0);
  duk_set_top(ctx, base);
}

}  // namespace cef_internal
