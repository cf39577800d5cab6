// A channel over a Win32 named pipe, for a render process of its own. Once
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
  struct Shared;

  explicit PipeChannel(std::shared_ptr<Shared> shared);
  // MessageLoop::WaitSource: the owner thread reads while its loop blocks.
  void OnLoopBlocks(bool blocks) override;
  HANDLE WaitHandle() override;
  bool SignaledNow() override;
  void OnSignaled() override;
  // Owner thread: starts a read; false when reading is over.
  bool StartOwnerRead();
  // Owner thread, once the ring carries the bytes: waits for it instead.
  bool StartOwnerRingWait();
  // The event the owner's read under way sets.
  HANDLE OwnerReadEvent();
  // Owner thread: the read under way completed; hands on its frames.
  void TakeOwnerRead();
  void TakeOwnerRingBytes();
  // Owner thread: nobody reads any more, and the channel is closed.
  void EndOwnerReading();
  // Owner thread: ends a read under way, keeping what it brought, and stops
  // reading; |resume| hands reading back to the reader thread.
  void StopOwnerReads(bool resume);
  // Writes |frame| from the sending thread; true when the write thread must
  // wake (to finish it, or for frames queued meanwhile).
  bool WriteFromSender(std::string frame);
  static void ReadLoop(std::shared_ptr<Shared> shared);
  static void WriteLoop(std::shared_ptr<Shared> shared);

  std::shared_ptr<Shared> shared_;
  MessageLoop* const owner_loop_;
  std::thread reader_;
  std::thread writer_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_PIPE_CHANNEL_H_
