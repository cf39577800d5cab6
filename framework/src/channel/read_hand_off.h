// Who reads the pipe: the reader thread; the owner thread while its loop
// blocks (asked for, then granted once the reader thread stepped aside);
// nobody once reading is over. The writer thread bars owner reads before it
// closes the pipe. Thread-safe.
#ifndef FRAMEWORK_SRC_CHANNEL_READ_HAND_OFF_H_
#define FRAMEWORK_SRC_CHANNEL_READ_HAND_OFF_H_

#include <windows.h>

#include "src/channel/channel_end.h"
#include "src/channel/overlapped.h"
#include "src/core/auto_lock.h"

namespace cef_internal {

class ReadHandOff {
 public:
  enum class Role { kThread, kYieldAsked, kOwner, kOver };

  ReadHandOff();
  ~ReadHandOff();
  ReadHandOff(const ReadHandOff&) = delete;
  ReadHandOff& operator=(const ReadHandOff&) = delete;

  Role role();

  // Owner thread: asks the reader thread to step aside.
  void AskForReading();
  // Owner thread: runs |start| (which starts a read and says whether it is
  // now under way) under the lock unless owner reads are barred or the
  // channel closed, so that the pipe cannot close in between.
  template <typename Start>
  bool StartOwnerRead(const ChannelEnd& end, Start start) {
    AutoLock hold(&lock_);
    owner_read_pending_ = !owner_barred_ && !end.closed() && start();
    return owner_read_pending_;
  }
  // Owner thread: whether a read may start now.
  bool OwnerMayRead(const ChannelEnd& end);
  // Owner thread: its read under way has ended.
  void OwnerReadEnded();
  // Owner thread: reading goes back to the reader thread (or its request is
  // taken back).
  void HandBack();
  // Owner or reader thread: nobody reads any more.
  void EndReading();

  // Reader thread, asked to step aside: true when it now has to, the owner
  // not having taken its request back meanwhile.
  bool StepAside();
  // Reader thread, ending: reading is over unless the owner holds it.
  void ReaderThreadEnds();

  // Writer thread, before the pipe closes: no owner read may start, and one
  // under way on |pipe| ends first.
  void BarOwnerReads(HANDLE pipe);

  // The owner's own read.
  Overlapped* owner_ov() { return &owner_ov_; }
  // Auto-reset: the owner asks for reading; the reader thread has stepped
  // aside; it may read again.
  HANDLE yield_request() const { return yield_request_; }
  HANDLE yielded() const { return yielded_; }
  HANDLE resume() const { return resume_; }

 private:
  // Guards the block below.
  CRITICAL_SECTION lock_;
  Role role_ = Role::kThread;
  bool owner_read_pending_ = false;
  bool owner_barred_ = false;
  bool writer_waits_owner_ = false;

  const HANDLE yield_request_;
  const HANDLE yielded_;
  const HANDLE resume_;
  // Auto-reset: the owner's last read ended, for a writer thread waiting to
  // close the pipe.
  const HANDLE owner_off_;
  // Owner thread only, but cancelled by the writer thread while barring.
  Overlapped owner_ov_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_READ_HAND_OFF_H_
