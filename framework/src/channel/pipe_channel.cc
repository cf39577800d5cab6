#include "src/channel/pipe_channel.h"

#include <windows.h>

#include <exception>
#include <utility>

#include "src/channel/channel_end.h"
#include "src/channel/channel_inbox.h"
#include "src/channel/codec.h"
#include "src/channel/frame_reader.h"
#include "src/channel/link_negotiation.h"
#include "src/channel/pipe_reader.h"
#include "src/channel/pipe_writer.h"
#include "src/channel/read_hand_off.h"
#include "src/core/message_loop.h"

namespace cef_internal {

namespace {

const DWORD kReadSize = PipeConnection::kBufferSize;

}  // namespace

// Each part guards its own state (see its header); they only point at each
// other, and live as long as the channel's threads.
struct PipeChannel::Shared {
  Shared(std::unique_ptr<PipeConnection> pipe,
         std::shared_ptr<ChannelInbox> inbox)
      : connection(std::move(pipe)),
        end(std::move(inbox)),
        writer(connection.get(), &link, &end),
        link(connection->is_server(), &writer),
        frames(&end, &link),
        reader({connection.get(), &end, &link, &frames, &hand_off, &writer}) {
    // A client is connected once it has opened the pipe.
    if (!connection->is_server())
      writer.OnConnected();
  }

  const std::unique_ptr<PipeConnection> connection;
  ChannelEnd end;
  ReadHandOff hand_off;
  PipeWriter writer;
  LinkNegotiation link;
  FrameReader frames;
  PipeReader reader;
};

// static
std::unique_ptr<PipeChannel> PipeChannel::CreateServer(std::wstring* pipe_name,
                                                       int connect_timeout_ms) {
  std::unique_ptr<PipeConnection> connection =
      PipeConnection::CreateServer(pipe_name, connect_timeout_ms);
  if (!connection)
    return nullptr;
  return std::unique_ptr<PipeChannel>(new PipeChannel(std::move(connection)));
}

// static
std::unique_ptr<PipeChannel> PipeChannel::Connect(const std::wstring& pipe_name,
                                                  int timeout_ms) {
  std::unique_ptr<PipeConnection> connection =
      PipeConnection::Connect(pipe_name, timeout_ms);
  if (!connection)
    return nullptr;
  return std::unique_ptr<PipeChannel>(new PipeChannel(std::move(connection)));
}

PipeChannel::PipeChannel(std::unique_ptr<PipeConnection> connection)
    : owner_loop_(MessageLoop::Current()),
      shared_(new Shared(std::move(connection),
                         ChannelInbox::Create(owner_loop_))) {
  Shared* shared = shared_.get();
  reader_ = std::thread([shared] { shared->reader.Run(); });
  writer_ = std::thread([shared] {
    shared->writer.Run();
    ClosePipe(shared);
  });
  owner_loop_->AddWaitSource(this);
}

PipeChannel::~PipeChannel() {
  Close();
  reader_.join();
  writer_.join();
}

// static
void PipeChannel::ClosePipe(Shared* shared) {
  // The readers must be off the handle before it closes; closing is what
  // tells the peer we are gone.
  WaitForSingleObject(shared->reader.done_event(), INFINITE);
  shared->hand_off.BarOwnerReads(shared->connection->pipe());
  shared->connection->Close();
}

bool PipeChannel::UsesSharedMemoryForTesting() const {
  return shared_->link.reads_from_ring() && shared_->link.writes_to_ring();
}

void PipeChannel::AcceptOnlyClient(DWORD process_id) {
  shared_->connection->AcceptOnlyClient(process_id);
}

void PipeChannel::SetDelegate(Delegate* delegate) {
  shared_->end.inbox()->SetDelegate(delegate);
}

bool PipeChannel::Send(Op op, CefRefPtr<CefListValue> args) {
  if (shared_->end.closed())
    return false;
  std::string frame;
  // A message too big to encode in the memory left is refused like any
  // other message the channel cannot carry.
  try {
    if (!Codec::Encode(op, args, &frame))
      return false;
  } catch (const std::exception&) {
    return false;
  }
  return shared_->writer.Send(std::move(frame));
}

void PipeChannel::Close() {
  owner_loop_->RemoveWaitSource(this);
  shared_->end.Close();
  StopOwnerReads(false);
  shared_->end.Stop();
}

void PipeChannel::OnLoopBlocks(bool blocks) {
  if (blocks)
    shared_->hand_off.AskForReading();
  else
    StopOwnerReads(true);
}

HANDLE PipeChannel::WaitHandle() {
  if (owner_reading_)
    return OwnerReadEvent();
  const ReadHandOff::Role role = shared_->hand_off.role();
  // Asked for, not yet granted: wait for the reader thread to step aside.
  if (role == ReadHandOff::Role::kYieldAsked)
    return shared_->hand_off.yielded();
  if (role != ReadHandOff::Role::kOwner)
    return nullptr;
  // The read starts only now that the thread is about to wait: one under way
  // while it works would have to interrupt it when bytes come.
  return StartOwnerRead() ? OwnerReadEvent() : nullptr;
}

HANDLE PipeChannel::OwnerReadEvent() {
  return owner_ring_ ? shared_->link.in()->data_event()
                     : shared_->hand_off.owner_ov()->event();
}

bool PipeChannel::SignaledNow() {
  return owner_reading_ && owner_read_done_;
}

void PipeChannel::OnSignaled() {
  // A step aside needs nothing more: the next wait starts a read.
  if (owner_reading_)
    TakeOwnerRead();
}

bool PipeChannel::StartOwnerRead() {
  Shared* shared = shared_.get();
  if (shared->link.reads_from_ring())
    return StartOwnerRingWait();
  try {
    FrameBuffer* buffer = shared->frames.buffer();
    char* space = buffer->Space(kReadSize);
    PipeConnection* connection = shared->connection.get();
    OVERLAPPED* ov = shared->hand_off.owner_ov()->get();
    bool done = false;
    // One that completes at once leaves its event signaled: the wait
    // returns at once.
    const bool started = shared->hand_off.StartOwnerRead(shared->end, [&] {
      DWORD moved = 0;
      done =
          ReadFile(connection->pipe(), space, kReadSize, &moved, ov) != FALSE;
      return done || GetLastError() == ERROR_IO_PENDING;
    });
    owner_read_done_ = done;
    owner_reading_ = started;
    if (started)
      return true;
    buffer->Commit(kReadSize, 0);
  } catch (const std::exception&) {
    // No memory for the bytes to come: the channel ends, as on the reader
    // thread.
  }
  EndOwnerReading();
  return false;
}

bool PipeChannel::StartOwnerRingWait() {
  Shared* shared = shared_.get();
  if (!shared->hand_off.OwnerMayRead(shared->end)) {
    EndOwnerReading();
    return false;
  }
  owner_ring_ = true;
  owner_reading_ = true;
  owner_read_done_ =
      shared->reader.peer_gone() || !shared->link.in()->PrepareReaderWait();
  return true;
}

void PipeChannel::TakeOwnerRingBytes() {
  Shared* shared = shared_.get();
  SharedRing* ring = shared->link.in();
  ring->EndReaderWait();
  owner_ring_ = false;
  owner_reading_ = false;
  bool ok = false;
  try {
    FrameBuffer* buffer = shared->frames.buffer();
    char* space = buffer->Space(kReadSize);
    size_t moved = 0;
    ok = ring->Read(space, kReadSize, &moved);
    buffer->Commit(kReadSize, moved);
    ok = ok && shared->frames.DeliverFrames();
  } catch (const std::exception&) {
    ok = false;
  }
  // The pipe's end counts once the ring holds nothing more.
  if (!ok || (shared->reader.peer_gone() && !ring->Readable()))
    EndOwnerReading();
}

void PipeChannel::TakeOwnerRead() {
  if (owner_ring_) {
    TakeOwnerRingBytes();
    return;
  }
  Shared* shared = shared_.get();
  DWORD moved = 0;
  const bool ok =
      GetOverlappedResult(shared->connection->pipe(),
                          shared->hand_off.owner_ov()->get(), &moved, FALSE) &&
      moved > 0;
  shared->hand_off.OwnerReadEnded();
  owner_reading_ = false;
  shared->frames.buffer()->Commit(kReadSize, ok ? moved : 0);
  bool delivered = false;
  try {
    delivered = ok && shared->frames.DeliverFrames();
  } catch (const std::exception&) {
  }
  if (!delivered)
    EndOwnerReading();
}

void PipeChannel::EndOwnerReading() {
  // The peer or the stream failed, or the channel is closing.
  shared_->hand_off.EndReading();
  shared_->end.Fail();
}

void PipeChannel::StopOwnerReads(bool resume) {
  Shared* shared = shared_.get();
  bool failed = false;
  if (owner_reading_ && owner_ring_) {
    // Nothing is under way: the bytes wait in the ring for the next reader.
    shared->link.in()->EndReaderWait();
    owner_ring_ = false;
    owner_reading_ = false;
  } else if (owner_reading_) {
    const HANDLE pipe = shared->connection->pipe();
    OVERLAPPED* ov = shared->hand_off.owner_ov()->get();
    DWORD moved = 0;
    CancelIoEx(pipe, ov);
    const bool ok = GetOverlappedResult(pipe, ov, &moved, TRUE) != FALSE;
    // Cancelled is what was asked for; anything else means a broken pipe.
    failed = !ok && GetLastError() != ERROR_OPERATION_ABORTED;
    shared->hand_off.OwnerReadEnded();
    owner_reading_ = false;
    shared->frames.buffer()->Commit(kReadSize, ok ? moved : 0);
    // What the read brought before it was stopped still counts.
    if (resume && !failed) {
      try {
        failed = !shared->frames.DeliverFrames();
      } catch (const std::exception&) {
        failed = true;
      }
    }
  }
  if (failed) {
    EndOwnerReading();
    return;
  }
  if (resume)
    shared_->hand_off.HandBack();
}

}  // namespace cef_internal
