// The task queue of a framework thread (the UI thread of a browser process,
// the main thread of a render process): a Win32 message loop plus a queue of
// closures, so that framework callbacks always arrive on the owning thread.
#ifndef FRAMEWORK_SRC_CORE_MESSAGE_LOOP_H_
#define FRAMEWORK_SRC_CORE_MESSAGE_LOOP_H_

#include <windows.h>

#include <functional>

namespace cef_internal {

class MessageLoop {
 public:
  typedef std::function<void()> Task;

  // Something the owning thread can wait for itself while it blocks in Run()
  // or RunUntil(), so that no other thread has to wake it (a pipe read it
  // has under way, say). Owner thread only.
  class WaitSource {
   public:
    // The outermost Run() or RunUntil() starts (true) or stops (false)
    // blocking on this thread; also said at once to a source added while it
    // blocks. Outside of them nothing waits for WaitHandle().
    virtual void OnLoopBlocks(bool blocks) = 0;
    // Asked right before each wait (and each look without waiting): the
    // object to wait for, or null for none.
    virtual HANDLE WaitHandle() = 0;
    // Asked right after WaitHandle(): true when it is signaled already, so
    // that the loop need not wait to find out.
    virtual bool SignaledNow() { return false; }
    // WaitHandle() was found signaled. The tasks this posts run right after.
    virtual void OnSignaled() = 0;

   protected:
    virtual ~WaitSource() {}
  };

  // The loop of the calling thread, created on first use. When the thread
  // ends, the loop stops accepting tasks; the object itself stays valid, so
  // a pointer held by another thread never dangles.
  static MessageLoop* Current();
  // The main loop: the first loop ever created, unless SetMain() chose
  // another (the UI thread of a browser process, the main thread of a render
  // one). Null before any loop exists.
  static MessageLoop* Main();
  static void SetMain(MessageLoop* loop);

  // Thread-safe. Tasks run in the order they were posted; delayed tasks in
  // the order of their due times. Returns false (and drops the task) once
  // the owning thread has ended.
  bool PostTask(Task task);
  bool PostDelayedTask(Task task, int delay_ms);

  // Runs tasks and dispatches window messages until Quit() (or WM_QUIT,
  // which is posted again for an outer loop). May be nested.
  void Run();
  // Ends the innermost Run(); from another thread it is posted as a task.
  void Quit();
  // Runs what is ready now without blocking; returns the number of tasks run.
  int RunUntilIdle();
  // One round without blocking: the tasks queued now, then the window
  // messages waiting, at most a bounded number. Returns even when work never
  // stops arriving, as a host's own loop needs.
  void RunOneRound();
  // Runs until |done| returns true or |timeout_ms| passes; returns |done|'s
  // last answer. |done| may read state another thread sets without waking
  // this loop: it is checked again every few milliseconds. For tests and
  // shutdown.
  bool RunUntil(const std::function<bool()>& done, int timeout_ms);
  // Runs until |done| returns true, for a |done| that only this thread's own
  // work changes: it is checked after each piece of work, and an idle
  // thread sleeps until work arrives. Returns false on WM_QUIT.
  bool RunUntilDone(const std::function<bool()>& done);

  // Owner thread: a modal loop of the system's (a menu's) runs from here
  // on, until NativeLoopEnds(); it runs this loop's tasks but never waits
  // for the sources, so they are told the loop no longer blocks meanwhile.
  void NativeLoopStarts();
  void NativeLoopEnds();

  // Owner thread. A source may remove itself (or another) from OnSignaled().
  void AddWaitSource(WaitSource* source);
  void RemoveWaitSource(WaitSource* source);

  bool BelongsToCurrentThread() const;
  DWORD thread_id() const;

 private:
  MessageLoop();
  ~MessageLoop();
  static void WINAPI OnThreadExit(void* loop);
  struct Impl;
  Impl* impl_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_MESSAGE_LOOP_H_
