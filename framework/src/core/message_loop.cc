#include "src/core/message_loop.h"

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

#include "src/core/task_queue.h"

namespace cef_internal {

namespace {

const wchar_t kWindowClass[] = L"KxCefMessageLoopWindow";
const UINT kWakeMessage = WM_APP + 1;
const UINT_PTR kTimerId = 1;
// RunUntil() asks its condition at least once per this many messages.
const int kMessagesPerDoneCheck = 32;
// Rounds of tasks a loop runs between two looks at the window messages.
const int kTaskRoundsPerLook = kMessagesPerDoneCheck;
// RunOneRound() dispatches at most this many window messages.
const int kMessagesPerRound = 64;
const DWORD kRunUntilRecheckMs = 5;
// Leaves one slot of MsgWaitForMultipleObjectsEx's limit for the queue.
const DWORD kMaxWaitHandles = MAXIMUM_WAIT_OBJECTS - 1;

std::atomic<MessageLoop*> g_main_loop{nullptr};

ULONGLONG Now() {
  return GetTickCount64();
}

}  // namespace

struct MessageLoop::Impl : public TaskQueue::Delegate {
  Impl() : thread_id(GetCurrentThreadId()), tasks(this) {}

  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
  static void RegisterClassOnce();
  void CreateMessageWindow();

  // TaskQueue::Delegate:
  bool PostWake() override;

  // Owner thread.
  void ProcessWork();
  // Runs up to |count| of the queued tasks.
  void RunQueuedTasks(size_t count);
  // Runs the first delayed task due by |now|, after the sources' input
  // when |poll_first|; false when none is due.
  bool RunDueDelayedTask(ULONGLONG now, bool poll_first);
  // ProcessWork() from this loop itself, not from a window procedure some
  // other loop called: the tasks it runs post without a wake message, since
  // the loop looks at the queue before it waits.
  void RunTasksHere();
  // The one look at the thread's window messages: true with a message to
  // dispatch. WM_QUIT is never dispatched: |*quit| is set and, when
  // |repost_quit|, it is posted again so that the loop outside sees it too.
  bool NextMessage(MSG* msg, bool* quit, bool repost_quit);
  // Dispatches |msg|; with |wake_runs_here|, this loop's own wake runs the
  // tasks here rather than through the window procedure.
  void Dispatch(const MSG& msg, bool wake_runs_here);
  void UpdateTimer();

  // Owner thread: the wait sources.
  void EnterBlocking();
  void LeaveBlocking();
  void TellSources(bool blocks);
  // The handles the sources wait for, the next in turn first; |owners|
  // gets each one's source.
  DWORD CollectHandles(HANDLE* handles, WaitSource** owners);
  // Blocks up to |timeout| for a window message, a wake or a source; true
  // when a source fired (and ran).
  bool Wait(DWORD timeout);
  // Runs a source that is signaled now, without blocking; true if one ran.
  bool PollSources();
  void RunSource(WaitSource* source);
  bool RunUntil(const std::function<bool()>& done,
                ULONGLONG deadline,
                bool recheck);

  const DWORD thread_id;
  HWND hwnd = nullptr;
  // Thread-safe.
  TaskQueue tasks;

  // Owner thread only.
  int run_depth = 0;
  bool quit_requested = false;
  int tasks_run = 0;
  ULONGLONG timer_due = 0;
  std::vector<WaitSource*> sources;
  // Where the next round of handles starts, so no source starves another.
  size_t next_source = 0;
  // Run() and RunUntil() calls under way on this thread, and the native
  // modal loops started inside them.
  int blocking_depth = 0;
  int native_depth = 0;
  // A source runs, and the loop runs the tasks it posts right after: they
  // need no wake message. Likewise for tasks RunTasksHere() runs.
  bool in_source = false;
  bool direct_work = false;
};

void MessageLoop::Impl::RegisterClassOnce() {
  static const bool registered = [] {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Impl::WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

void MessageLoop::Impl::CreateMessageWindow() {
  RegisterClassOnce();
  hwnd = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hwnd)
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK MessageLoop::Impl::WndProc(HWND hwnd,
                                            UINT msg,
                                            WPARAM w,
                                            LPARAM l) {
  Impl* impl = reinterpret_cast<Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (impl && (msg == kWakeMessage || (msg == WM_TIMER && w == kTimerId))) {
    // Perhaps a modal loop's dispatch: it would not look at the queue.
    const bool outer = impl->direct_work;
    impl->direct_work = false;
    impl->ProcessWork();
    impl->direct_work = outer;
    return 0;
  }
  return DefWindowProcW(hwnd, msg, w, l);
}

bool MessageLoop::Impl::PostWake() {
  if (!hwnd)
    return false;
  if (GetCurrentThreadId() == thread_id &&
      (in_source || (direct_work && native_depth == 0)))
    return false;
  return PostMessageW(hwnd, kWakeMessage, 0, 0) != FALSE;
}

void MessageLoop::Impl::ProcessWork() {
  const ULONGLONG now = Now();
  const size_t count = tasks.BeginRound();
  // Only what was queued on entry: window messages get their turn between
  // batches even when tasks keep posting tasks.
  RunQueuedTasks(count);
  // Then the delayed tasks due by now (a page's timers), one by one, with
  // the sources' input in between, as the real framework runs its IPC
  // between timer tasks: timers that keep coming never starve the channel.
  for (bool first = true; RunDueDelayedTask(now, !first); first = false) {
  }
  tasks.WakeIfQueued();
  UpdateTimer();
}

void MessageLoop::Impl::RunQueuedTasks(size_t count) {
  for (size_t i = 0; i < count; ++i) {
    Task task;
    if (!tasks.TakeNext(&task))
      break;
    ++tasks_run;
    if (task)
      task();
  }
}

bool MessageLoop::Impl::RunDueDelayedTask(ULONGLONG now, bool poll_first) {
  Task task;
  if (!tasks.TakeDueDelayed(now, &task))
    return false;
  if (poll_first && PollSources())
    RunQueuedTasks(tasks.size());
  ++tasks_run;
  if (task)
    task();
  return true;
}

void MessageLoop::Impl::RunTasksHere() {
  const bool outer = direct_work;
  direct_work = true;
  ProcessWork();
  direct_work = outer;
}

bool MessageLoop::Impl::NextMessage(MSG* msg, bool* quit, bool repost_quit) {
  *quit = false;
  if (!PeekMessageW(msg, nullptr, 0, 0, PM_REMOVE))
    return false;
  if (msg->message != WM_QUIT)
    return true;
  *quit = true;
  if (repost_quit)
    PostQuitMessage(static_cast<int>(msg->wParam));
  return false;
}

void MessageLoop::Impl::Dispatch(const MSG& msg, bool wake_runs_here) {
  if (wake_runs_here && msg.hwnd == hwnd && hwnd &&
      msg.message == kWakeMessage) {
    RunTasksHere();
    return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void MessageLoop::Impl::UpdateTimer() {
  const ULONGLONG due = tasks.NextDue();
  if (due == timer_due || !hwnd)
    return;
  timer_due = due;
  if (!due) {
    KillTimer(hwnd, kTimerId);
    return;
  }
  ULONGLONG now = Now();
  UINT wait = due > now ? static_cast<UINT>(due - now) : 0;
  SetTimer(hwnd, kTimerId,
           wait < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : wait, nullptr);
}

void MessageLoop::Impl::EnterBlocking() {
  if (blocking_depth++ == 0 && native_depth == 0)
    TellSources(true);
}

void MessageLoop::Impl::LeaveBlocking() {
  if (--blocking_depth == 0 && native_depth == 0)
    TellSources(false);
}

void MessageLoop::Impl::TellSources(bool blocks) {
  // A source may add or remove sources while it is told.
  const std::vector<WaitSource*> told = sources;
  for (WaitSource* source : told) {
    if (std::find(sources.begin(), sources.end(), source) != sources.end())
      source->OnLoopBlocks(blocks);
  }
}

DWORD MessageLoop::Impl::CollectHandles(HANDLE* handles, WaitSource** owners) {
  DWORD count = 0;
  const size_t size = sources.size();
  for (size_t i = 0; i < size && count < kMaxWaitHandles; ++i) {
    const size_t index = (next_source + i) % size;
    HANDLE handle = sources[index]->WaitHandle();
    if (handle) {
      handles[count] = handle;
      owners[count++] = sources[index];
    }
  }
  return count;
}

bool MessageLoop::Impl::Wait(DWORD timeout) {
  HANDLE handles[kMaxWaitHandles] = {};
  WaitSource* owners[kMaxWaitHandles];
  const DWORD count = CollectHandles(handles, owners);
  for (DWORD i = 0; i < count; ++i) {
    if (owners[i]->SignaledNow()) {
      RunSource(owners[i]);
      return true;
    }
  }
  const DWORD result = MsgWaitForMultipleObjectsEx(
      count, handles, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (result >= WAIT_OBJECT_0 + count)
    return false;
  RunSource(owners[result - WAIT_OBJECT_0]);
  return true;
}

bool MessageLoop::Impl::PollSources() {
  if (sources.empty())
    return false;
  HANDLE handles[kMaxWaitHandles] = {};
  WaitSource* owners[kMaxWaitHandles];
  const DWORD count = CollectHandles(handles, owners);
  if (!count)
    return false;
  // What a source already has (bytes waiting in its ring) sets no handle.
  for (DWORD i = 0; i < count; ++i) {
    if (owners[i]->SignaledNow()) {
      RunSource(owners[i]);
      return true;
    }
  }
  const DWORD result = WaitForMultipleObjects(count, handles, FALSE, 0);
  if (result >= WAIT_OBJECT_0 + count)
    return false;
  RunSource(owners[result - WAIT_OBJECT_0]);
  return true;
}

void MessageLoop::Impl::RunSource(WaitSource* source) {
  // The wait may have let a sent message's handler remove the source.
  auto found = std::find(sources.begin(), sources.end(), source);
  if (found == sources.end())
    return;
  next_source = static_cast<size_t>(found - sources.begin()) + 1;
  const bool outer = in_source;
  in_source = true;
  source->OnSignaled();
  in_source = outer;
}

MessageLoop::MessageLoop() : impl_(new Impl) {
  impl_->CreateMessageWindow();
}

MessageLoop::~MessageLoop() {
  delete impl_;
}

// static
void WINAPI MessageLoop::OnThreadExit(void* loop) {
  if (loop)
    static_cast<MessageLoop*>(loop)->impl_->tasks.Shutdown();
  // The window goes with its thread. Destroying it here, during thread
  // detach, can deadlock in the window system.
}

// static
MessageLoop* MessageLoop::Current() {
  // Fiber-local storage rather than thread_local: its callback runs reliably
  // at thread exit, which ends the loop with its thread. The object is
  // leaked on purpose: other threads may still hold its address and post.
  static const DWORD index = FlsAlloc(&MessageLoop::OnThreadExit);
  MessageLoop* loop = static_cast<MessageLoop*>(FlsGetValue(index));
  if (!loop) {
    loop = new MessageLoop();
    FlsSetValue(index, loop);
    MessageLoop* expected = nullptr;
    g_main_loop.compare_exchange_strong(expected, loop);
  }
  return loop;
}

// static
MessageLoop* MessageLoop::Main() {
  return g_main_loop.load();
}

// static
void MessageLoop::SetMain(MessageLoop* loop) {
  g_main_loop.store(loop);
}

bool MessageLoop::PostTask(Task task) {
  return impl_->tasks.Post(std::move(task), 0);
}

bool MessageLoop::PostDelayedTask(Task task, int delay_ms) {
  return impl_->tasks.Post(std::move(task), delay_ms);
}

void MessageLoop::Run() {
  Impl* impl = impl_;
  bool outer_quit = impl->quit_requested;
  impl->quit_requested = false;
  ++impl->run_depth;
  impl->EnterBlocking();
  impl->RunTasksHere();
  for (int handled = 1; !impl->quit_requested; ++handled) {
    // Messages that never stop must not keep the sources waiting.
    if (handled % kMessagesPerDoneCheck == 0 && impl->PollSources())
      impl->RunTasksHere();
    MSG msg;
    bool quit = false;
    // WM_QUIT ends every Run() under way, the outermost last.
    if (!impl->NextMessage(&msg, &quit, impl->run_depth > 1)) {
      if (quit)
        break;
      // The next timer's due time ends the wait, not the coarser window
      // timer.
      if (impl->tasks.empty())
        impl->Wait(impl->tasks.TimeToNextDelayed());
      impl->RunTasksHere();
      continue;
    }
    impl->Dispatch(msg, true);
  }
  impl->LeaveBlocking();
  impl->tasks.WakeIfQueued();
  --impl->run_depth;
  impl->quit_requested = outer_quit;
}

void MessageLoop::Quit() {
  if (!BelongsToCurrentThread()) {
    PostTask([this] { Quit(); });
    return;
  }
  if (impl_->run_depth > 0)
    impl_->quit_requested = true;
}

int MessageLoop::RunUntilIdle() {
  Impl* impl = impl_;
  int start = impl->tasks_run;
  for (;;) {
    MSG msg;
    bool quit = false;
    bool busy = impl->PollSources();
    while (impl->NextMessage(&msg, &quit, true)) {
      impl->Dispatch(msg, false);
      busy = true;
    }
    if (quit)
      return impl->tasks_run - start;
    int before = impl->tasks_run;
    impl->ProcessWork();
    if (!busy && impl->tasks_run == before)
      break;
  }
  return impl->tasks_run - start;
}

void MessageLoop::RunOneRound() {
  impl_->PollSources();
  impl_->ProcessWork();
  MSG msg;
  bool quit = false;
  for (int i = 0;
       i < kMessagesPerRound && impl_->NextMessage(&msg, &quit, true); ++i) {
    impl_->Dispatch(msg, false);
  }
}

bool MessageLoop::RunUntil(const std::function<bool()>& done, int timeout_ms) {
  const ULONGLONG deadline =
      timeout_ms < 0 ? ~0ULL : Now() + static_cast<ULONGLONG>(timeout_ms);
  impl_->EnterBlocking();
  const bool result = impl_->RunUntil(done, deadline, true);
  impl_->LeaveBlocking();
  impl_->tasks.WakeIfQueued();
  return result;
}

bool MessageLoop::RunUntilDone(const std::function<bool()>& done) {
  impl_->EnterBlocking();
  const bool result = impl_->RunUntil(done, ~0ULL, false);
  impl_->LeaveBlocking();
  impl_->tasks.WakeIfQueued();
  return result;
}

bool MessageLoop::Impl::RunUntil(const std::function<bool()>& done,
                                 ULONGLONG deadline,
                                 bool recheck) {
  for (int busy_rounds = 0;;) {
    if (done())
      return true;
    RunTasksHere();
    // What those tasks posted runs next, as their wake messages would have
    // before |done| was asked again; each look at the window messages is a
    // call into the system.
    for (int round = 1; round < kTaskRoundsPerLook && !tasks.empty(); ++round)
      RunTasksHere();
    // Message by message, looking up between them: work that never lets the
    // queue run dry (a page's endless zero-delay timer, a render process's
    // burst) must not hide |done|, the deadline or the sources.
    MSG msg;
    bool quit = false;
    for (int since_check = 1; NextMessage(&msg, &quit, true); ++since_check) {
      Dispatch(msg, true);
      if (Now() >= deadline)
        return done();
      // |done| may itself be costly (it may run a nested loop).
      if (since_check % kMessagesPerDoneCheck == 0) {
        if (done())
          return true;
        if (PollSources())
          RunTasksHere();
      }
    }
    if (quit)
      return done();
    if (done())
      return true;
    ULONGLONG now = Now();
    if (now >= deadline)
      return false;
    if (!tasks.empty()) {
      // Tasks that post tasks here go on without wake messages: the sources
      // get their look now and then all the same.
      if (++busy_rounds % kMessagesPerDoneCheck == 0)
        PollSources();
      continue;
    }
    // |done| may read what another thread changes without posting anything
    // here, so then the wait never outlasts a short recheck interval.
    DWORD wait = tasks.TimeToNextDelayed();
    if (recheck)
      wait = std::min<DWORD>(wait, kRunUntilRecheckMs);
    if (deadline != ~0ULL && deadline - now < wait)
      wait = static_cast<DWORD>(deadline - now);
    Wait(wait);
  }
}

void MessageLoop::NativeLoopStarts() {
  if (impl_->native_depth++ == 0 && impl_->blocking_depth > 0)
    impl_->TellSources(false);
  // Tasks posted without a wake until now must run inside it too.
  impl_->tasks.WakeIfQueued();
}

void MessageLoop::NativeLoopEnds() {
  if (--impl_->native_depth == 0 && impl_->blocking_depth > 0)
    impl_->TellSources(true);
}

void MessageLoop::AddWaitSource(WaitSource* source) {
  impl_->sources.push_back(source);
  if (impl_->blocking_depth > 0 && impl_->native_depth == 0)
    source->OnLoopBlocks(true);
}

void MessageLoop::RemoveWaitSource(WaitSource* source) {
  std::vector<WaitSource*>& sources = impl_->sources;
  sources.erase(std::remove(sources.begin(), sources.end(), source),
                sources.end());
}

bool MessageLoop::BelongsToCurrentThread() const {
  return GetCurrentThreadId() == impl_->thread_id;
}

DWORD MessageLoop::thread_id() const {
  return impl_->thread_id;
}

}  // namespace cef_internal
