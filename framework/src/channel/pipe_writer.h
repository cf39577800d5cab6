// Writes a channel's frames in order, to the pipe and, after this side's
// switch mark, to the ring. Send() never blocks: with nothing queued and no
// write under way it writes itself and hands an unfinished write to the
// write thread; otherwise it queues, and the write thread takes the whole
// queue at once and joins its frames into larger writes.
#ifndef FRAMEWORK_SRC_CHANNEL_PIPE_WRITER_H_
#define FRAMEWORK_SRC_CHANNEL_PIPE_WRITER_H_

#include <windows.h>

#include <deque>
#include <string>

#include "src/channel/overlapped.h"

namespace cef_internal {

class ChannelEnd;
class LinkNegotiation;
class PipeConnection;

class PipeWriter {
 public:
  PipeWriter(PipeConnection* connection,
             LinkNegotiation* link,
             ChannelEnd* end);
  ~PipeWriter();
  PipeWriter(const PipeWriter&) = delete;
  PipeWriter& operator=(const PipeWriter&) = delete;

  // Any thread: writes |frame| or queues it. False when the channel cannot
  // carry it: writing is over, memory ran out, or a peer that stopped
  // reading has the queue at its cap (which ends the channel).
  bool Send(std::string frame);
  // Reader thread, before the connection is announced: |frame| leaves
  // before anything queued. False without memory for it.
  bool QueueFirst(std::string frame);
  // Whoever reads: this side's writes move to the ring after what is
  // queued now.
  void QueueSwitch();

  // Any thread: the pipe is connected, writing may start.
  void OnConnected() { SetEvent(connected_); }

  // The write thread: writes until stopped and drained (within a grace
  // period), then lets no write start any more.
  void Run();

 private:
  // Who may write to the pipe now. Frames leave in order because only one
  // side writes at a time and Send() writes itself only when nothing waits.
  enum class Role { kNone, kThread, kSender };
  // What the write thread found when it woke.
  enum class Turn { kSenderBusy, kAdopt, kOwn };

  // Sending thread.
  bool WriteFromSender(std::string frame);

  // Write thread.
  void WriteUntilStopped();
  bool WaitFor(HANDLE event);
  Turn TakeTurn();
  bool AdoptSenderWrite();
  bool FinishSenderWrite();
  bool DrainQueue();
  bool WriteSwitchMark();
  bool WriteAll(const std::string& frame);
  bool WriteRing(const std::string& frame);
  long Complete(Overlapped* pending);
  void NoteStop();
  DWORD GraceLeft() const;
  void EndSenderWrites();

  PipeConnection* const connection_;
  LinkNegotiation* const link_;
  ChannelEnd* const end_;
  // Manual-reset: the pipe is connected. Auto-reset: the first frame of a
  // batch was queued, or Send() left frames behind.
  const HANDLE connected_;
  const HANDLE outgoing_;

  // Guards the block below.
  CRITICAL_SECTION lock_;
  std::deque<std::string> queue_;
  // What Send() queued since the write thread last took the queue.
  size_t queued_bytes_ = 0;
  // The write thread owns the pipe until it has seen the connection and an
  // empty queue.
  Role role_ = Role::kThread;
  // A write Send() started that did not finish at once; the write thread
  // takes it over: still pending on the pipe (|sender_io_|) or only its
  // rest after |sender_done_| bytes left to write.
  bool sender_pending_ = false;
  bool sender_io_ = false;
  DWORD sender_done_ = 0;
  // Set once the write thread has ended: nothing writes any more.
  bool writes_over_ = false;

  // Whoever holds the writer role (see |role_|): the write under way.
  std::string sender_frame_;
  Overlapped sender_ov_;

  // Write thread only.
  Overlapped ov_;
  // Once stop is set, writes go on only until this tick count.
  ULONGLONG grace_end_ = 0;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_PIPE_WRITER_H_
