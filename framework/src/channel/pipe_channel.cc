#include "src/channel/pipe_channel.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <exception>
#include <utility>

#include "src/channel/channel_inbox.h"
#include "src/channel/codec.h"
#include "src/channel/pipe_security.h"
#include "src/channel/ring_link.h"
#include "src/core/message_loop.h"

namespace cef_internal {

namespace {

const DWORD kPipeBufferSize = 64 * 1024;
// How long queued messages may take to leave once the channel is closed.
const DWORD kCloseGraceMs = 2000;
const int kMaxNameAttempts = 100;
// Frames queued together are joined into writes of up to this size.
const size_t kMaxWriteBatch = 256 * 1024;
// Bytes Send() may queue for a peer that reads slower than it is sent to
// (as much as the peer's inbox may hold).
const size_t kMaxQueuedBytes = ChannelInbox::kMaxQueuedBytes;

ULONGLONG Now() {
  return GetTickCount64();
}

// An OVERLAPPED with its own event, for one thread's I/O. ReadFile and
// WriteFile reset the event themselves when they start.
class Overlapped {
 public:
  Overlapped() {
    ZeroMemory(&ov_, sizeof(ov_));
    ov_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  ~Overlapped() { CloseHandle(ov_.hEvent); }
  Overlapped(const Overlapped&) = delete;
  Overlapped& operator=(const Overlapped&) = delete;

  OVERLAPPED* get() { return &ov_; }
  HANDLE event() const { return ov_.hEvent; }
  OVERLAPPED* current() { return &ov_; }

 private:
  OVERLAPPED ov_;
};

// Bytes read from the pipe that do not yet form whole frames. It grows with
// the bytes that arrive, never ahead of them.
class FrameBuffer {
 public:
  // Exactly |room| writable bytes at the end.
  char* Space(size_t room) {
    if (start_ == bytes_.size()) {
      bytes_.clear();
      start_ = 0;
    } else if (start_ && bytes_.capacity() - bytes_.size() < room) {
      // The consumed head is dead weight: drop it before growing.
      bytes_.erase(0, start_);
      start_ = 0;
    }
    if (bytes_.capacity() - bytes_.size() < room)
      bytes_.reserve(std::max(bytes_.size() + room, 2 * bytes_.capacity()));
    size_t used = bytes_.size();
    bytes_.resize(used + room);
    return &bytes_[used];
  }
  // |filled| of the |room| bytes the last Space() gave now hold data.
  void Commit(size_t room, size_t filled) {
    bytes_.resize(bytes_.size() - room + filled);
  }
  const char* data() const { return bytes_.data() + start_; }
  size_t size() const { return bytes_.size() - start_; }
  void Consume(size_t count) { start_ += count; }

 private:
  std::string bytes_;
  size_t start_ = 0;
};

}  // namespace

struct PipeChannel::Shared {
  Shared() {
    InitializeCriticalSection(&lock);
    stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    connected = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    outgoing = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    reader_done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    client_known = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    yield_request = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    yielded = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    resume = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    owner_off = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    reads_moved = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  }
  ~Shared() {
    if (pipe != INVALID_HANDLE_VALUE)
      CloseHandle(pipe);
    CloseHandle(stop);
    CloseHandle(connected);
    CloseHandle(outgoing);
    CloseHandle(reader_done);
    CloseHandle(client_known);
    CloseHandle(yield_request);
    CloseHandle(yielded);
    CloseHandle(resume);
    CloseHandle(owner_off);
    CloseHandle(reads_moved);
    DeleteCriticalSection(&lock);
  }

  // Hands every whole frame in |buffer| to the inbox. False when a length
  // prefix is beyond the limit: the stream is out of step for good.
  bool DeliverFrames() {
    // A closed channel delivers nothing more, however much is waiting.
    while (!closed.load() && buffer.size() >= Codec::kLengthSize) {
      uint32_t length = 0;
      if (!Codec::ReadLength(buffer.data(), &length))
        return false;
      const size_t frame_size = Codec::kLengthSize + length;
      if (buffer.size() < frame_size)
        break;
      Op op;
      CefRefPtr<CefListValue> args;
      // A frame that does not decode is dropped; the next one is intact.
      if (Codec::Decode(buffer.data() + Codec::kLengthSize, length, &op,
                        &args) &&
          !TakeLinkOp(op, args) && !inbox->PushMessage(op, args, frame_size)) {
        // The owner is that far behind: the peer sends more than it can
        // take, and the channel ends.
        return false;
      }
      buffer.Consume(frame_size);
      ++frames_read;
    }
    return true;
  }

  // Whoever reads: the link's own ops steer the transport and go no
  // further; false for every other op. Each is honoured once, in its turn,
  // from the side that may send it; any other is dropped.
  bool TakeLinkOp(Op op, CefRefPtr<CefListValue> args) {
    if (op == Op::kLinkOffer) {
      if (!is_server && frames_read == 0 && !link) {
        link = RingLink::Take(args);
        if (link)
          QueueWriteSwitch();
      }
    } else if (op == Op::kLinkTaken) {
      if (is_server && link && !reads_from_ring.load()) {
        MoveReadsToRing();
        QueueWriteSwitch();
      }
    } else if (op == Op::kLinkSwitch) {
      if (!is_server && link && !reads_from_ring.load())
        MoveReadsToRing();
    } else {
      return false;
    }
    return true;
  }

  void MoveReadsToRing() {
    reads_from_ring.store(true);
    // A reader thread that stepped aside now watches the pipe for the end.
    SetEvent(reads_moved);
  }

  // Writes go to the ring from here on, after this side's switch frame on
  // the pipe: an empty entry in the queue marks the spot.
  void QueueWriteSwitch() {
    EnterCriticalSection(&lock);
    bool wake = false;
    try {
      queue.push_back(std::string());
      wake = writer == Writer::kNone;
      if (wake)
        writer = Writer::kThread;
    } catch (const std::exception&) {
      // No memory for the mark: the pipe carries on alone.
    }
    LeaveCriticalSection(&lock);
    if (wake)
      SetEvent(outgoing);
  }

  // Server, once the client is known and before anything is written: the
  // link goes out as the first frame. Without one the pipe carries all.
  void OfferLink() {
    try {
      std::unique_ptr<RingLink> made = RingLink::Create();
      CefRefPtr<CefListValue> offer = CefListValue::Create();
      std::string frame;
      if (!made || !made->OfferTo(expected_client.load(), offer) ||
          !Codec::Encode(Op::kLinkOffer, offer, &frame)) {
        return;
      }
      EnterCriticalSection(&lock);
      try {
        queue.push_front(std::move(frame));
        link = std::move(made);
      } catch (const std::exception&) {
      }
      LeaveCriticalSection(&lock);
    } catch (const std::exception&) {
    }
  }

  // Reader thread, reading the ring: a read of the pipe that only its end
  // (or bytes a peer must no longer send) completes.
  void WatchPipeEnd() {
    if (end_watched || peer_gone.load())
      return;
    DWORD moved = 0;
    if (!ReadFile(pipe, &end_byte, 1, &moved, end_ov.get()) &&
        GetLastError() == ERROR_IO_PENDING) {
      end_watched = true;
      return;
    }
    PipeEnded();
  }

  void PipeEnded() {
    end_watched = false;
    peer_gone.store(true);
    // Whoever waits for the ring drains it, then finds the end.
    SetEvent(link->in()->data_event());
  }

  void StopWatchingPipeEnd() {
    if (!end_watched)
      return;
    DWORD moved = 0;
    CancelIoEx(pipe, end_ov.get());
    GetOverlappedResult(pipe, end_ov.get(), &moved, TRUE);
    end_watched = false;
  }

  // Reader thread, asked to step aside: parks until the owner hands reading
  // back. False on stop.
  bool StepAside() {
    EnterCriticalSection(&lock);
    // The owner may have taken its request back meanwhile.
    const bool step_aside = read_role == ReadRole::kYieldAsked;
    if (step_aside)
      read_role = ReadRole::kOwner;
    LeaveCriticalSection(&lock);
    if (!step_aside)
      return true;
    SetEvent(yielded);
    for (;;) {
      // The owner reads the ring but cannot see the pipe end: this thread
      // watches it meanwhile.
      if (reads_from_ring.load())
        WatchPipeEnd();
      HANDLE handles[4] = {resume, stop, reads_moved, end_ov.event()};
      const DWORD woke =
          WaitForMultipleObjects(end_watched ? 4 : 3, handles, FALSE, INFINITE);
      if (woke == WAIT_OBJECT_0 + 3)
        PipeEnded();
      else if (woke != WAIT_OBJECT_0 + 2)
        return woke == WAIT_OBJECT_0;
    }
  }

  // Owner thread: its read under way has ended.
  void OwnerReadEnded() {
    EnterCriticalSection(&lock);
    owner_read_pending = false;
    const bool tell_writer = writer_waits_owner;
    LeaveCriticalSection(&lock);
    owner_reading = false;
    if (tell_writer)
      SetEvent(owner_off);
  }

  // Writer thread, before the pipe closes: no owner read may start, and one
  // under way ends first.
  void BarOwnerReads() {
    EnterCriticalSection(&lock);
    owner_barred = true;
    const bool pending = owner_read_pending;
    writer_waits_owner = pending;
    LeaveCriticalSection(&lock);
    if (!pending)
      return;
    CancelIoEx(pipe, owner_ov.get());
    WaitForSingleObject(owner_off, INFINITE);
  }

  // Writer thread, last: no write may start any more, and the pipe
  // closes once the readers are off it.
  void EndWrites() {
    // No write may start from Send() any more; one it is making ends first,
    // and one left pending is cancelled.
    for (;;) {
      EnterCriticalSection(&lock);
      writes_over = true;
      bool sender_busy = writer == Shared::Writer::kSender && !sender_pending;
      bool pending = sender_pending;
      sender_pending = false;
      LeaveCriticalSection(&lock);
      if (pending) {
        DWORD moved = 0;
        CancelIoEx(pipe, sender_ov.get());
        GetOverlappedResult(pipe, sender_ov.get(), &moved, TRUE);
      }
      if (!sender_busy)
        break;
      Sleep(1);
    }
    // The readers must be off the handle before it closes; closing is what
    // tells the peer we are gone.
    WaitForSingleObject(reader_done, INFINITE);
    BarOwnerReads();
    CloseHandle(pipe);
    pipe = INVALID_HANDLE_VALUE;
  }

  // The peer is gone or the stream is unusable: tell the owner once.
  void Fail() {
    // Without memory to tell the owner, the peer still sees the pipe close
    // and ends, and the owner learns of that end instead.
    if (!closed.exchange(true)) {
      try {
        inbox->PushClosed();
      } catch (const std::exception&) {
      }
    }
    SetEvent(stop);
  }

  // Waits for pending I/O on |ov|, giving up when |stop| is set; then the
  // I/O is cancelled. Returns the bytes moved, or -1.
  long Finish(Overlapped* ov, DWORD timeout_ms, bool watch_stop) {
    HANDLE handles[2] = {ov->event(), stop};
    DWORD result =
        WaitForMultipleObjects(watch_stop ? 2 : 1, handles, FALSE, timeout_ms);
    DWORD moved = 0;
    if (result != WAIT_OBJECT_0) {
      CancelIoEx(pipe, ov->current());
      GetOverlappedResult(pipe, ov->current(), &moved, TRUE);
      return -1;
    }
    if (!GetOverlappedResult(pipe, ov->current(), &moved, FALSE))
      return -1;
    return static_cast<long>(moved);
  }

  // Server: waits for the client AcceptOnlyClient() names; a client of any
  // other process is disconnected and the pipe listens again. False on stop
  // or when the connect time runs out first.
  bool AcceptExpectedClient(Overlapped* ov) {
    const ULONGLONG deadline =
        connect_timeout_ms < 0 ? 0 : Now() + connect_timeout_ms;
    auto time_left = [deadline]() -> DWORD {
      if (!deadline)
        return INFINITE;
      ULONGLONG now = Now();
      return deadline > now ? static_cast<DWORD>(deadline - now) : 0;
    };
    for (;;) {
      ResetEvent(ov->event());
      if (!ConnectNamedPipe(pipe, ov->get())) {
        DWORD error = GetLastError();
        if (error == ERROR_IO_PENDING) {
          if (Finish(ov, time_left(), true) < 0)
            return false;
        } else if (error != ERROR_PIPE_CONNECTED && error != ERROR_NO_DATA) {
          // ERROR_NO_DATA: the client came, wrote and left before this
          // thread got here. What it wrote can still be read, and its
          // process id is still known.
          return false;
        }
      }
      HANDLE verdict[2] = {client_known, stop};
      if (WaitForMultipleObjects(2, verdict, FALSE, time_left()) !=
          WAIT_OBJECT_0) {
        return false;
      }
      ULONG client = 0;
      if (GetNamedPipeClientProcessId(pipe, &client) &&
          client == expected_client.load()) {
        return true;
      }
      // Someone else got here first: they leave with nothing read or written,
      // and the pipe is free for the process it was made for.
      DisconnectNamedPipe(pipe);
    }
  }

  HANDLE pipe = INVALID_HANDLE_VALUE;
  bool is_server = false;
  int connect_timeout_ms = -1;
  // Set on Close() or failure: the reader stops, the writer drains and ends.
  HANDLE stop;
  HANDLE connected;
  HANDLE outgoing;
  HANDLE reader_done;
  // Server: set once |expected_client| holds the launched process's id.
  HANDLE client_known;
  std::atomic<DWORD> expected_client{0};

  // Who may write to the pipe now. Frames leave in order because only one
  // side writes at a time and Send() writes itself only when nothing waits.
  enum class Writer { kNone, kThread, kSender };

  CRITICAL_SECTION lock;
  // Guarded by |lock|. |queued_bytes| counts what Send() queued since the
  // write thread last took the queue.
  std::deque<std::string> queue;
  size_t queued_bytes = 0;
  // The write thread owns the pipe until it has seen the connection and an
  // empty queue.
  Writer writer = Writer::kThread;
  // A write Send() started that did not finish at once; the write thread
  // takes it over. |sender_frame| and |sender_ov| belong to that write.
  bool sender_pending = false;
  DWORD sender_done = 0;
  // Set once the write thread has ended: nothing writes any more.
  bool writes_over = false;
  std::string sender_frame;
  Overlapped sender_ov;

  // Who reads the pipe: the reader thread; the owner thread while its loop
  // blocks (asked for, then granted); nobody once reading is over.
  enum class ReadRole { kThread, kYieldAsked, kOwner, kOver };
  // Guarded by |lock|.
  ReadRole read_role = ReadRole::kThread;
  bool owner_read_pending = false;
  bool owner_barred = false;
  bool writer_waits_owner = false;
  // Auto-reset: the owner asks for reading; the reader thread has stepped
  // aside; it may read again; the owner's last read ended (for a writer
  // thread waiting to close the pipe).
  HANDLE yield_request;
  HANDLE yielded;
  HANDLE resume;
  HANDLE owner_off;
  // Whoever reads owns these.
  FrameBuffer buffer;
  Overlapped owner_ov;
  // Owner thread only: a read of its own is under way; it completed as it
  // started.
  bool owner_reading = false;
  bool owner_read_done = false;

  std::atomic<bool> closed{false};
  std::shared_ptr<ChannelInbox> inbox;

  // The shared-memory link: offered (server) or taken (client), then used
  // by reads once the peer's switch frame came, and by writes after this
  // side's own (set by whoever writes, under the writer rules above).
  std::unique_ptr<RingLink> link;
  std::atomic<bool> reads_from_ring{false};
  std::atomic<bool> writes_to_ring{false};
  // Auto-reset: reads moved to the ring.
  HANDLE reads_moved;
  // Whoever reads: frames seen so far.
  int frames_read = 0;
  // Reader thread only: the read that watches for the pipe's end while
  // the ring carries the bytes.
  Overlapped end_ov;
  char end_byte = 0;
  bool end_watched = false;
  // The pipe ended while the ring carried the bytes: what the ring holds is
  // the last of them.
  std::atomic<bool> peer_gone{false};
  // Owner thread only: its read under way is a wait for the ring.
  bool owner_ring = false;
  // The write Send() handed over is still pending on the pipe (else only
  // its rest is left to write).
  bool sender_io = false;
};

// static
std::unique_ptr<PipeChannel> PipeChannel::CreateServer(std::wstring* pipe_name,
                                                       int connect_timeout_ms) {
  std::shared_ptr<Shared> shared = std::make_shared<Shared>();
  PipeSecurity security;
  if (!security.attributes())
    return nullptr;
  for (int i = 0; i < kMaxNameAttempts; ++i) {
    std::wstring name;
    if (!PipeSecurity::NewPipeName(&name))
      return nullptr;
    // The first instance, or the name is someone else's already.
    shared->pipe = CreateNamedPipeW(name.c_str(),
                                    PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED |
                                        FILE_FLAG_FIRST_PIPE_INSTANCE,
                                    PIPE_TYPE_BYTE | PIPE_READMODE_BYTE |
                                        PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                    1, kPipeBufferSize, kPipeBufferSize, 0,
                                    security.attributes());
    if (shared->pipe != INVALID_HANDLE_VALUE) {
      *pipe_name = name;
      break;
    }
  }
  if (shared->pipe == INVALID_HANDLE_VALUE)
    return nullptr;
  shared->is_server = true;
  shared->connect_timeout_ms = connect_timeout_ms;
  return std::unique_ptr<PipeChannel>(new PipeChannel(shared));
}

// static
std::unique_ptr<PipeChannel> PipeChannel::Connect(const std::wstring& pipe_name,
                                                  int timeout_ms) {
  const ULONGLONG deadline = Now() + (timeout_ms > 0 ? timeout_ms : 0);
  HANDLE pipe = INVALID_HANDLE_VALUE;
  for (;;) {
    pipe = CreateFileW(pipe_name.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                       nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (pipe != INVALID_HANDLE_VALUE)
      break;
    DWORD error = GetLastError();
    ULONGLONG now = Now();
    if (now >= deadline ||
        (error != ERROR_PIPE_BUSY && error != ERROR_FILE_NOT_FOUND))
      return nullptr;
    DWORD wait = static_cast<DWORD>(deadline - now);
    if (error == ERROR_PIPE_BUSY)
      WaitNamedPipeW(pipe_name.c_str(), wait < 100 ? wait : 100);
    else
      Sleep(wait < 20 ? wait : 20);
  }
  std::shared_ptr<Shared> shared = std::make_shared<Shared>();
  shared->pipe = pipe;
  SetEvent(shared->connected);
  return std::unique_ptr<PipeChannel>(new PipeChannel(shared));
}

PipeChannel::PipeChannel(std::shared_ptr<Shared> shared)
    : shared_(std::move(shared)), owner_loop_(MessageLoop::Current()) {
  shared_->inbox = ChannelInbox::Create(owner_loop_);
  reader_ = std::thread(&PipeChannel::ReadLoop, shared_);
  writer_ = std::thread(&PipeChannel::WriteLoop, shared_);
  owner_loop_->AddWaitSource(this);
}

PipeChannel::~PipeChannel() {
  Close();
  reader_.join();
  writer_.join();
}

void PipeChannel::OnLoopBlocks(bool blocks) {
  Shared* shared = shared_.get();
  if (!blocks) {
    StopOwnerReads(true);
    return;
  }
  EnterCriticalSection(&shared->lock);
  const bool ask = shared->read_role == Shared::ReadRole::kThread;
  if (ask)
    shared->read_role = Shared::ReadRole::kYieldAsked;
  LeaveCriticalSection(&shared->lock);
  if (ask)
    SetEvent(shared->yield_request);
}

HANDLE PipeChannel::WaitHandle() {
  Shared* shared = shared_.get();
  if (shared->owner_reading)
    return OwnerReadEvent();
  EnterCriticalSection(&shared->lock);
  const Shared::ReadRole role = shared->read_role;
  LeaveCriticalSection(&shared->lock);
  // Asked for, not yet granted: wait for the reader thread to step aside.
  if (role == Shared::ReadRole::kYieldAsked)
    return shared->yielded;
  if (role != Shared::ReadRole::kOwner)
    return nullptr;
  // The read starts only now that the thread is about to wait: one under way
  // while it works would have to interrupt it when bytes come.
  return StartOwnerRead() ? OwnerReadEvent() : nullptr;
}

HANDLE PipeChannel::OwnerReadEvent() {
  Shared* shared = shared_.get();
  return shared->owner_ring ? shared->link->in()->data_event()
                            : shared->owner_ov.event();
}

bool PipeChannel::SignaledNow() {
  return shared_->owner_reading && shared_->owner_read_done;
}

void PipeChannel::OnSignaled() {
  // A step aside needs nothing more: the next wait starts a read.
  if (shared_->owner_reading)
    TakeOwnerRead();
}

bool PipeChannel::StartOwnerRead() {
  Shared* shared = shared_.get();
  if (shared->reads_from_ring.load())
    return StartOwnerRingWait();
  try {
    char* space = shared->buffer.Space(kPipeBufferSize);
    DWORD moved = 0;
    EnterCriticalSection(&shared->lock);
    const bool allowed = !shared->owner_barred && !shared->closed.load();
    // Started under the lock, so the pipe cannot close in between. One that
    // completes at once leaves its event signaled: the wait returns at once.
    const bool done = allowed && ReadFile(shared->pipe, space, kPipeBufferSize,
                                          &moved, shared->owner_ov.get());
    const bool started =
        done || (allowed && GetLastError() == ERROR_IO_PENDING);
    shared->owner_read_done = done;
    shared->owner_read_pending = started;
    LeaveCriticalSection(&shared->lock);
    shared->owner_reading = started;
    if (started)
      return true;
    shared->buffer.Commit(kPipeBufferSize, 0);
  } catch (const std::exception&) {
    // No memory for the bytes to come: the channel ends, as on the reader
    // thread.
  }
  EndOwnerReading();
  return false;
}

bool PipeChannel::StartOwnerRingWait() {
  Shared* shared = shared_.get();
  EnterCriticalSection(&shared->lock);
  const bool allowed = !shared->owner_barred && !shared->closed.load();
  LeaveCriticalSection(&shared->lock);
  if (!allowed) {
    EndOwnerReading();
    return false;
  }
  shared->owner_ring = true;
  shared->owner_reading = true;
  shared->owner_read_done =
      shared->peer_gone.load() || !shared->link->in()->PrepareReaderWait();
  return true;
}

void PipeChannel::TakeOwnerRingBytes() {
  Shared* shared = shared_.get();
  SharedRing* ring = shared->link->in();
  ring->EndReaderWait();
  shared->owner_ring = false;
  shared->owner_reading = false;
  bool ok = false;
  try {
    char* space = shared->buffer.Space(kPipeBufferSize);
    size_t moved = 0;
    ok = ring->Read(space, kPipeBufferSize, &moved);
    shared->buffer.Commit(kPipeBufferSize, moved);
    ok = ok && shared->DeliverFrames();
  } catch (const std::exception&) {
    ok = false;
  }
  // The pipe's end counts once the ring holds nothing more.
  if (!ok || (shared->peer_gone.load() && !ring->Readable()))
    EndOwnerReading();
}

void PipeChannel::TakeOwnerRead() {
  Shared* shared = shared_.get();
  if (shared->owner_ring) {
    TakeOwnerRingBytes();
    return;
  }
  DWORD moved = 0;
  const bool ok = GetOverlappedResult(shared->pipe, shared->owner_ov.get(),
                                      &moved, FALSE) &&
                  moved > 0;
  shared->OwnerReadEnded();
  shared->buffer.Commit(kPipeBufferSize, ok ? moved : 0);
  bool delivered = false;
  try {
    delivered = ok && shared->DeliverFrames();
  } catch (const std::exception&) {
  }
  if (!delivered)
    EndOwnerReading();
}

void PipeChannel::EndOwnerReading() {
  // The peer or the stream failed, or the channel is closing.
  Shared* shared = shared_.get();
  EnterCriticalSection(&shared->lock);
  shared->read_role = Shared::ReadRole::kOver;
  LeaveCriticalSection(&shared->lock);
  shared->Fail();
}

void PipeChannel::StopOwnerReads(bool resume) {
  Shared* shared = shared_.get();
  bool failed = false;
  if (shared->owner_reading && shared->owner_ring) {
    // Nothing is under way: the bytes wait in the ring for the next reader.
    shared->link->in()->EndReaderWait();
    shared->owner_ring = false;
    shared->owner_reading = false;
  } else if (shared->owner_reading) {
    DWORD moved = 0;
    CancelIoEx(shared->pipe, shared->owner_ov.get());
    const bool ok = GetOverlappedResult(shared->pipe, shared->owner_ov.get(),
                                        &moved, TRUE) != FALSE;
    // Cancelled is what was asked for; anything else means a broken pipe.
    failed = !ok && GetLastError() != ERROR_OPERATION_ABORTED;
    shared->OwnerReadEnded();
    shared->buffer.Commit(kPipeBufferSize, ok ? moved : 0);
    // What the read brought before it was stopped still counts.
    if (resume && !failed) {
      try {
        failed = !shared->DeliverFrames();
      } catch (const std::exception&) {
        failed = true;
      }
    }
  }
  if (failed) {
    EndOwnerReading();
    return;
  }
  EnterCriticalSection(&shared->lock);
  const Shared::ReadRole role = shared->read_role;
  if (resume && (role == Shared::ReadRole::kOwner ||
                 role == Shared::ReadRole::kYieldAsked)) {
    shared->read_role = Shared::ReadRole::kThread;
  }
  LeaveCriticalSection(&shared->lock);
  if (resume && role == Shared::ReadRole::kOwner)
    SetEvent(shared->resume);
}

bool PipeChannel::UsesSharedMemoryForTesting() const {
  return shared_->reads_from_ring.load() && shared_->writes_to_ring.load();
}

void PipeChannel::AcceptOnlyClient(DWORD process_id) {
  shared_->expected_client.store(process_id);
  SetEvent(shared_->client_known);
}

void PipeChannel::SetDelegate(Delegate* delegate) {
  shared_->inbox->SetDelegate(delegate);
}

bool PipeChannel::Send(Op op, CefRefPtr<CefListValue> args) {
  if (shared_->closed.load())
    return false;
  std::string frame;
  bool wake = false;
  bool direct = false;
  bool overflow = false;
  // A message too big to encode (or queue) in the memory left is refused
  // like any other message the channel cannot carry.
  try {
    if (!Codec::Encode(op, args, &frame))
      return false;
    EnterCriticalSection(&shared_->lock);
    // Nothing queued and nobody writing: the frame goes out from here,
    // without waking the write thread.
    direct = shared_->writer == Shared::Writer::kNone && !shared_->writes_over;
    if (direct) {
      shared_->writer = Shared::Writer::kSender;
    } else {
      overflow = frame.size() > kMaxQueuedBytes - shared_->queued_bytes;
      try {
        // The write thread takes the whole queue each time it wakes: only
        // the first frame of a batch needs to wake it.
        wake = !overflow && shared_->queue.empty() &&
               shared_->writer != Shared::Writer::kThread;
        if (!overflow) {
          shared_->queued_bytes += frame.size();
          shared_->queue.push_back(std::move(frame));
        }
      } catch (const std::exception&) {
        LeaveCriticalSection(&shared_->lock);
        throw;
      }
    }
    LeaveCriticalSection(&shared_->lock);
  } catch (const std::exception&) {
    return false;
  }
  if (overflow) {
    // A peer that stopped reading: what waits for it would grow without
    // end. The channel ends, as when the peer goes.
    shared_->Fail();
    return false;
  }
  if (direct)
    wake = WriteFromSender(std::move(frame));
  if (wake)
    SetEvent(shared_->outgoing);
  return true;
}

bool PipeChannel::WriteFromSender(std::string frame) {
  Shared* shared = shared_.get();
  shared->sender_frame = std::move(frame);
  const std::string& bytes = shared->sender_frame;
  DWORD moved = 0;
  bool pending = false;
  if (shared->writes_to_ring.load()) {
    size_t written = 0;
    if (shared->link->out()->Write(bytes.data(), bytes.size(), &written)) {
      moved = static_cast<DWORD>(written);
    } else {
      shared->Fail();
      moved = static_cast<DWORD>(bytes.size());
    }
  } else if (WriteFile(shared->pipe, bytes.data(),
                       static_cast<DWORD>(bytes.size()), &moved,
                       shared->sender_ov.get())) {
    if (!GetOverlappedResult(shared->pipe, shared->sender_ov.get(), &moved,
                             FALSE))
      moved = 0;
  } else if (GetLastError() == ERROR_IO_PENDING) {
    pending = true;
  } else {
    // The pipe is broken: the channel is over, as for the write thread.
    moved = static_cast<DWORD>(bytes.size());
  }
  EnterCriticalSection(&shared->lock);
  bool wake;
  if (pending || moved < bytes.size()) {
    // The write thread finishes what could not leave at once.
    shared->sender_pending = true;
    shared->sender_io = pending;
    shared->sender_done = pending ? 0 : moved;
    wake = true;
  } else {
    shared->writer = Shared::Writer::kNone;
    shared->sender_frame.clear();
    // Frames queued meanwhile did not wake the write thread.
    wake = !shared->queue.empty();
  }
  LeaveCriticalSection(&shared->lock);
  return wake;
}

void PipeChannel::Close() {
  owner_loop_->RemoveWaitSource(this);
  shared_->inbox->Detach();
  shared_->closed.store(true);
  StopOwnerReads(false);
  SetEvent(shared_->stop);
}

// static
void PipeChannel::ReadLoop(std::shared_ptr<Shared> shared) {
  Overlapped ov;
  enum class Got { kBytes, kStepAside, kEnd };
  // Reads what the ring holds, once it carries the bytes, up to |room|
  // bytes; kStepAside when the owner asked for reading meanwhile; kEnd once
  // the pipe has ended and the ring is empty (or broken).
  auto read_ring = [&](char* buffer, DWORD room, DWORD* moved) {
    SharedRing* ring = shared->link->in();
    for (;;) {
      const bool gone = shared->peer_gone.load();
      if (gone || ring->Readable()) {
        size_t read = 0;
        const bool ok = ring->Read(buffer, room, &read);
        *moved = static_cast<DWORD>(read);
        if (ok && read)
          return Got::kBytes;
        if (!ok || gone)
          return Got::kEnd;
      }
      shared->WatchPipeEnd();
      if (!ring->PrepareReaderWait())
        continue;
      HANDLE handles[4] = {ring->data_event(), shared->stop,
                           shared->yield_request, shared->end_ov.event()};
      const DWORD woke = WaitForMultipleObjects(shared->end_watched ? 4 : 3,
                                                handles, FALSE, INFINITE);
      ring->EndReaderWait();
      if (woke == WAIT_OBJECT_0 + 3)
        shared->PipeEnded();
      else if (woke == WAIT_OBJECT_0 + 2)
        return Got::kStepAside;
      else if (woke != WAIT_OBJECT_0)
        return Got::kEnd;
    }
  };
  // Reads what the pipe holds, up to |room| bytes; kStepAside when the
  // owner asked for reading meanwhile (with the bytes that came first).
  auto read_some = [&](char* buffer, DWORD room, DWORD* moved) {
    *moved = 0;
    if (shared->reads_from_ring.load())
      return read_ring(buffer, room, moved);
    if (ReadFile(shared->pipe, buffer, room, moved, ov.get()))
      return GetOverlappedResult(shared->pipe, ov.get(), moved, FALSE) &&
                     *moved > 0
                 ? Got::kBytes
                 : Got::kEnd;
    if (GetLastError() != ERROR_IO_PENDING)
      return Got::kEnd;
    HANDLE handles[3] = {ov.event(), shared->stop, shared->yield_request};
    const DWORD woke = WaitForMultipleObjects(3, handles, FALSE, INFINITE);
    if (woke == WAIT_OBJECT_0)
      return GetOverlappedResult(shared->pipe, ov.get(), moved, FALSE) &&
                     *moved > 0
                 ? Got::kBytes
                 : Got::kEnd;
    CancelIoEx(shared->pipe, ov.get());
    const bool ok =
        GetOverlappedResult(shared->pipe, ov.get(), moved, TRUE) != FALSE;
    if (woke != WAIT_OBJECT_0 + 2 ||
        (!ok && GetLastError() != ERROR_OPERATION_ABORTED))
      return Got::kEnd;
    return Got::kStepAside;
  };

  bool ok = true;
  if (shared->is_server) {
    ok = shared->AcceptExpectedClient(&ov);
    if (ok) {
      shared->OfferLink();
      SetEvent(shared->connected);
    }
  }
  // Running out of memory over one frame ends the channel, never the
  // process: the owner then treats the peer as gone.
  try {
    // A peer that keeps the pipe full must not keep this loop from seeing
    // the channel close: the closing thread waits for it.
    while (ok && !shared->closed.load()) {
      // One read takes whatever is there: often several frames, or a length
      // prefix with its payload.
      char* space = shared->buffer.Space(kPipeBufferSize);
      DWORD moved = 0;
      const Got got = read_some(space, kPipeBufferSize, &moved);
      shared->buffer.Commit(kPipeBufferSize, got == Got::kEnd ? 0 : moved);
      if (got == Got::kEnd || !shared->DeliverFrames())
        break;
      if (got == Got::kStepAside)
        ok = shared->StepAside();
    }
  } catch (...) {
  }
  shared->StopWatchingPipeEnd();
  // Ending without a local Close() means the peer or the stream failed.
  EnterCriticalSection(&shared->lock);
  if (shared->read_role != Shared::ReadRole::kOwner)
    shared->read_role = Shared::ReadRole::kOver;
  LeaveCriticalSection(&shared->lock);
  shared->Fail();
  SetEvent(shared->reader_done);
}

// static
void PipeChannel::WriteLoop(std::shared_ptr<Shared> shared) try {
  Overlapped ov;
  ULONGLONG grace_end = 0;
  // Once stop is set, writes go on only until the grace period ends.
  auto note_stop = [&] {
    if (!grace_end && WaitForSingleObject(shared->stop, 0) == WAIT_OBJECT_0)
      grace_end = Now() + kCloseGraceMs;
  };
  // What is left of the grace period; INFINITE before stop.
  auto grace_left = [&]() -> DWORD {
    if (!grace_end)
      return INFINITE;
    const ULONGLONG now = Now();
    return grace_end > now ? static_cast<DWORD>(grace_end - now) : 0;
  };
  // Waits for the pending write on |pending|; after stop only until the
  // grace period ends. Returns the bytes moved, or -1.
  auto complete = [&](Overlapped* pending) -> long {
    if (grace_end)
      return shared->Finish(pending, grace_left(), false);
    // Stop while blocked: wait out the grace period for this write.
    HANDLE handles[2] = {pending->event(), shared->stop};
    if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0) {
      grace_end = Now() + kCloseGraceMs;
      return shared->Finish(pending, kCloseGraceMs, false);
    }
    return shared->Finish(pending, 0, false);
  };
  // Writes all of |frame| into the ring, waiting for room as the reader
  // makes it; after stop only until the grace period ends.
  auto write_ring = [&](const std::string& frame) {
    SharedRing* ring = shared->link->out();
    size_t done = 0;
    while (done < frame.size()) {
      size_t written = 0;
      if (!ring->Write(frame.data() + done, frame.size() - done, &written)) {
        shared->Fail();
        return false;
      }
      done += written;
      if (done == frame.size() || !ring->PrepareWriterWait())
        continue;
      note_stop();
      HANDLE handles[2] = {ring->room_event(), shared->stop};
      const DWORD woke = WaitForMultipleObjects(grace_end ? 1 : 2, handles,
                                                FALSE, grace_left());
      ring->EndWriterWait();
      if (woke == WAIT_OBJECT_0 + 1)
        grace_end = Now() + kCloseGraceMs;
      else if (woke != WAIT_OBJECT_0)
        return false;
    }
    return true;
  };
  // Writes all of |frame|; after stop only until the grace period ends.
  // A write that fails leaves the telling to the reader: the pipe broke, so
  // the reader finds its end too, after the bytes that came before it.
  auto write_all = [&](const std::string& frame) {
    if (shared->writes_to_ring.load())
      return write_ring(frame);
    DWORD done = 0;
    while (done < frame.size()) {
      note_stop();
      DWORD moved = 0;
      if (!WriteFile(shared->pipe, frame.data() + done,
                     static_cast<DWORD>(frame.size() - done), &moved,
                     ov.get())) {
        if (GetLastError() != ERROR_IO_PENDING)
          return false;
        long finished = complete(&ov);
        if (finished < 0)
          return false;
        moved = static_cast<DWORD>(finished);
      } else if (!GetOverlappedResult(shared->pipe, ov.current(), &moved,
                                      FALSE)) {
        return false;
      }
      done += moved;
    }
    return true;
  };

  // Finishes a write Send() started; false when the pipe failed.
  auto finish_sender_write = [&]() {
    DWORD done = shared->sender_done;
    if (shared->sender_io) {
      long finished = complete(&shared->sender_ov);
      if (finished < 0)
        return false;
      done = static_cast<DWORD>(finished);
    }
    const std::string& frame = shared->sender_frame;
    return done >= frame.size() || write_all(frame.substr(done));
  };

  HANDLE start[2] = {shared->connected, shared->stop};
  bool running =
      WaitForMultipleObjects(2, start, FALSE, INFINITE) == WAIT_OBJECT_0;
  bool stopping = !running;
  // The first round runs without a wake: frames may have been queued
  // before the connection.
  bool first = true;
  while (running) {
    if (!first) {
      HANDLE handles[2] = {shared->outgoing, shared->stop};
      stopping =
          WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0;
    }
    first = false;
    EnterCriticalSection(&shared->lock);
    // A write Send() is still making is its own; one it handed over is ours.
    bool sender_busy =
        shared->writer == Shared::Writer::kSender && !shared->sender_pending;
    bool adopt = shared->sender_pending;
    if (!sender_busy)
      shared->writer = Shared::Writer::kThread;
    LeaveCriticalSection(&shared->lock);
    if (sender_busy) {
      // Send() wakes us when it is done; after a stop, what it leaves
      // queued must still be drained, so look again shortly.
      if (stopping) {
        Sleep(1);
        first = true;
      }
      continue;
    }
    if (adopt) {
      bool ok = finish_sender_write();
      EnterCriticalSection(&shared->lock);
      shared->sender_pending = false;
      shared->sender_io = false;
      shared->sender_frame.clear();
      LeaveCriticalSection(&shared->lock);
      if (!ok)
        break;
    }
    // The queue is taken whole, so that Send() never waits while frames are
    // joined; what was taken leaves in writes of up to kMaxWriteBatch bytes.
    std::deque<std::string> taken;
    for (;;) {
      if (taken.empty()) {
        EnterCriticalSection(&shared->lock);
        taken.swap(shared->queue);
        shared->queued_bytes = 0;
        // Found empty under the lock: from now on Send() may write itself.
        if (taken.empty())
          shared->writer = Shared::Writer::kNone;
        LeaveCriticalSection(&shared->lock);
        if (taken.empty())
          break;
      }
      std::string batch;
      batch.swap(taken.front());
      taken.pop_front();
      // The empty mark: this side's writes move to the ring here.
      const bool switch_to_ring = batch.empty();
      try {
        while (!switch_to_ring && !taken.empty() && !taken.front().empty() &&
               batch.size() < kMaxWriteBatch) {
          batch += taken.front();
          taken.pop_front();
        }
      } catch (const std::exception&) {
        // Out of memory while joining: what was joined still leaves.
      }
      if (switch_to_ring) {
        // The last frame on the pipe tells the peer where to read on.
        const Op mark = shared->is_server ? Op::kLinkSwitch : Op::kLinkTaken;
        bool ok = false;
        try {
          std::string frame;
          ok = Codec::Encode(mark, CefListValue::Create(), &frame);
          if (!ok)
            shared->Fail();
          ok = ok && write_all(frame);
        } catch (const std::exception&) {
          shared->Fail();
        }
        if (!ok) {
          stopping = true;
          break;
        }
        shared->writes_to_ring.store(true);
        continue;
      }
      if (!write_all(batch)) {
        stopping = true;
        break;
      }
    }
    running = !stopping;
  }
  shared->EndWrites();
} catch (...) {
  // Memory that ran out while frames were joined or split: the channel
  // ends, never the process, and the pipe still closes.
  shared->Fail();
  shared->EndWrites();
}

}  // namespace cef_internal
