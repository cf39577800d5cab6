// A channel over a Win32 named pipe, for a render process of its own. Its
// parts: PipeConnection (the pipe and the client check), PipeReader (the
// reader thread), FrameReader (frames out of the bytes read), LinkNegotiation
// (the move to shared memory), PipeWriter (ordered, batched writes),
// ReadHandOff (who reads); this class hands reads to the owner thread. Once
// connected, the server offers a shared-memory link (see RingLink) and a peer
// that takes it moves its bytes there, keeping the pipe for the handshake
// and to learn of the other's end; a peer that does not stays on the pipe. A
// reader thread reads frames and a writer thread writes them; neither ever
// calls the delegate: decoded messages are posted to the owning thread's
// MessageLoop. While that thread blocks in its loop's Run() or RunUntil(),
// it reads the pipe itself instead (the reader thread steps aside), which
// spares each message a hop between threads; a busy owner then leaves the
// bytes in the pipe and the peer's queue, never losing any. Send() never
// blocks: with nothing queued and no write under way it starts the
// (overlapped) write itself and hands an unfinished one to the writer
// thread; otherwise it queues. A peer that stops reading never blocks the
// caller.
#ifndef FRAMEWORK_SRC_CHANNEL_PIPE_CHANNEL_H_
#define FRAMEWORK_SRC_CHANNEL_PIPE_CHANNEL_H_

#include <windows.h>

#include <memory>
#include <string>
#include <thread>

#include "src/channel/channel.h"
#include "src/channel/pipe_connection.h"
#include "src/core/message_loop.h"

namespace cef_internal {

class PipeChannel : public Channel, private MessageLoop::WaitSource {
 public:
  // Browser side: creates a pipe with a name no other process can guess
  // (\\.\pipe\kxcef-<pid>-<random>), open to the current user only and to
  // no remote client, and waits for one client in the background: the
  // process AcceptOnlyClient() names. Messages sent before it arrives wait
  // in the queue. When it has not connected within |connect_timeout_ms|
  // (negative: no limit) the delegate is told the channel closed. Null when
  // no pipe could be made.
  static std::unique_ptr<PipeChannel> CreateServer(std::wstring* pipe_name,
                                                   int connect_timeout_ms = -1);
  // Render side: connects to |pipe_name|, waiting up to |timeout_ms| for it
  // to exist and be free. Null on failure.
  static std::unique_ptr<PipeChannel> Connect(const std::wstring& pipe_name,
                                              int timeout_ms);

  // Closes, then waits for the transport threads; queued messages get a
  // short grace period to leave first. Owner thread, as Close().
  ~PipeChannel() override;

  // Server end: the id of the one process whose connection is taken. A
  // client of any other process is disconnected at once and the pipe waits
  // for the next; a client that connects before this is called waits for
  // the verdict. Until then nothing is read or written.
  void AcceptOnlyClient(DWORD process_id);

  // Both ways of this end go through the shared-memory link by now.
  bool UsesSharedMemoryForTesting() const;

  // Channel:
  void SetDelegate(Delegate* delegate) override;
  bool Send(Op op, CefRefPtr<CefListValue> args) override;
  // Stops reading at once; what is already queued is still written (within
  // the grace period) before the pipe is closed. On the thread that made the
  // channel.
  void Close() override;

 private:
  // The parts every thread of the channel shares.
  struct Shared;

  explicit PipeChannel(std::unique_ptr<PipeConnection> connection);
  // MessageLoop::WaitSource: the owner thread reads while its loop blocks.
  // These and the helpers below run on the owner thread.
  void OnLoopBlocks(bool blocks) override;
  HANDLE WaitHandle() override;
  bool SignaledNow() override;
  void OnSignaled() override;
  // Starts a read; false when reading is over.
  bool StartOwnerRead();
  // Once the ring carries the bytes: waits for it instead.
  bool StartOwnerRingWait();
  // The event the read under way sets.
  HANDLE OwnerReadEvent();
  // The read under way completed; hands on its frames.
  void TakeOwnerRead();
  void TakeOwnerRingBytes();
  // Nobody reads any more, and the channel is closed.
  void EndOwnerReading();
  // Ends a read under way, keeping what it brought, and stops reading;
  // |resume| hands reading back to the reader thread.
  void StopOwnerReads(bool resume);
  // The writer thread, after its last write.
  static void ClosePipe(Shared* shared);

  MessageLoop* const owner_loop_;
  const std::unique_ptr<Shared> shared_;
  // Owner thread only: a read of its own is under way (a wait for the ring
  // when |owner_ring_|); it completed as it started.
  bool owner_reading_ = false;
  bool owner_read_done_ = false;
  bool owner_ring_ = false;
  std::thread reader_;
  std::thread writer_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_PIPE_CHANNEL_H_
