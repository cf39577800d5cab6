#include "src/channel/pipe_writer.h"

#include <exception>
#include <utility>

#include "include/cef_values.h"
#include "src/channel/channel_end.h"
#include "src/channel/channel_inbox.h"
#include "src/channel/codec.h"
#include "src/channel/link_negotiation.h"
#include "src/channel/pipe_connection.h"
#include "src/core/auto_lock.h"

namespace cef_internal {

namespace {

// How long queued messages may take to leave once the channel is closed.
const DWORD kCloseGraceMs = 2000;
// Frames queued together are joined into writes of up to this size.
const size_t kMaxWriteBatch = 256 * 1024;
// Bytes Send() may queue for a peer that reads slower than it is sent to
// (as much as the peer's inbox may hold).
const size_t kMaxQueuedBytes = ChannelInbox::kMaxQueuedBytes;

ULONGLONG Now() {
  return GetTickCount64();
}

}  // namespace

PipeWriter::PipeWriter(PipeConnection* connection,
                       LinkNegotiation* link,
                       ChannelEnd* end)
    : connection_(connection),
      link_(link),
      end_(end),
      connected_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      outgoing_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  InitializeCriticalSection(&lock_);
}

PipeWriter::~PipeWriter() {
  DeleteCriticalSection(&lock_);
  CloseHandle(outgoing_);
  CloseHandle(connected_);
}

bool PipeWriter::Send(std::string frame) {
  bool wake = false;
  bool direct = false;
  bool overflow = false;
  // A message too big to queue in the memory left is refused like any other
  // message the channel cannot carry.
  try {
    AutoLock hold(&lock_);
    // Nothing queued and nobody writing: the frame goes out from here,
    // without waking the write thread.
    direct = role_ == Role::kNone && !writes_over_;
    if (direct) {
      role_ = Role::kSender;
    } else {
      overflow = frame.size() > kMaxQueuedBytes - queued_bytes_;
      // The write thread takes the whole queue each time it wakes: only the
      // first frame of a batch needs to wake it.
      wake = !overflow && queue_.empty() && role_ != Role::kThread;
      if (!overflow) {
        const size_t size = frame.size();
        queue_.push_back(std::move(frame));
        queued_bytes_ += size;
      }
    }
  } catch (const std::exception&) {
    return false;
  }
  if (overflow) {
    // A peer that stopped reading: what waits for it would grow without
    // end. The channel ends, as when the peer goes.
    end_->Fail();
    return false;
  }
  if (direct)
    wake = WriteFromSender(std::move(frame));
  if (wake)
    SetEvent(outgoing_);
  return true;
}

bool PipeWriter::QueueFirst(std::string frame) {
  try {
    AutoLock hold(&lock_);
    queue_.push_front(std::move(frame));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void PipeWriter::QueueSwitch() {
  bool wake = false;
  try {
    AutoLock hold(&lock_);
    // The empty entry marks the spot.
    queue_.push_back(std::string());
    wake = role_ == Role::kNone;
    if (wake)
      role_ = Role::kThread;
  } catch (const std::exception&) {
    // No memory for the mark: the pipe carries on alone.
  }
  if (wake)
    SetEvent(outgoing_);
}

// Returns true when the write thread must wake (to finish the write, or for
// frames queued meanwhile).
bool PipeWriter::WriteFromSender(std::string frame) {
  sender_frame_ = std::move(frame);
  const std::string& bytes = sender_frame_;
  const HANDLE pipe = connection_->pipe();
  DWORD moved = 0;
  bool pending = false;
  if (link_->writes_to_ring()) {
    size_t written = 0;
    if (link_->out()->Write(bytes.data(), bytes.size(), &written)) {
      moved = static_cast<DWORD>(written);
    } else {
      end_->Fail();
      moved = static_cast<DWORD>(bytes.size());
    }
  } else if (WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()),
                       &moved, sender_ov_.get())) {
    if (!GetOverlappedResult(pipe, sender_ov_.get(), &moved, FALSE))
      moved = 0;
  } else if (GetLastError() == ERROR_IO_PENDING) {
    pending = true;
  } else {
    // The pipe is broken: the channel is over, as for the write thread.
    moved = static_cast<DWORD>(bytes.size());
  }
  AutoLock hold(&lock_);
  if (pending || moved < bytes.size()) {
    // The write thread finishes what could not leave at once.
    sender_pending_ = true;
    sender_io_ = pending;
    sender_done_ = pending ? 0 : moved;
    return true;
  }
  role_ = Role::kNone;
  sender_frame_.clear();
  // Frames queued meanwhile did not wake the write thread.
  return !queue_.empty();
}

void PipeWriter::Run() {
  try {
    WriteUntilStopped();
  } catch (...) {
    // Memory that ran out while frames were joined or split: the channel
    // ends, never the process, and the pipe still closes.
    end_->Fail();
  }
  EndSenderWrites();
}

void PipeWriter::WriteUntilStopped() {
  bool running = WaitFor(connected_);
  bool stopping = !running;
  // The first round runs without a wake: frames may have been queued
  // before the connection.
  bool first = true;
  while (running) {
    if (!first)
      stopping = !WaitFor(outgoing_);
    first = false;
    const Turn turn = TakeTurn();
    if (turn == Turn::kSenderBusy) {
      // Send() wakes us when it is done; after a stop, what it leaves
      // queued must still be drained, so look again shortly.
      if (stopping) {
        Sleep(1);
        first = true;
      }
      continue;
    }
    if (turn == Turn::kAdopt && !AdoptSenderWrite())
      break;
    if (!DrainQueue())
      stopping = true;
    running = !stopping;
  }
}

// False when the channel stopped first.
bool PipeWriter::WaitFor(HANDLE event) {
  HANDLE handles[2] = {event, end_->stop_event()};
  return WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0;
}

PipeWriter::Turn PipeWriter::TakeTurn() {
  AutoLock hold(&lock_);
  // A write Send() is still making is its own; one it handed over is ours.
  if (role_ == Role::kSender && !sender_pending_)
    return Turn::kSenderBusy;
  role_ = Role::kThread;
  return sender_pending_ ? Turn::kAdopt : Turn::kOwn;
}

// False when the pipe failed.
bool PipeWriter::AdoptSenderWrite() {
  const bool ok = FinishSenderWrite();
  AutoLock hold(&lock_);
  sender_pending_ = false;
  sender_io_ = false;
  sender_frame_.clear();
  return ok;
}

bool PipeWriter::FinishSenderWrite() {
  DWORD done = sender_done_;
  if (sender_io_) {
    long finished = Complete(&sender_ov_);
    if (finished < 0)
      return false;
    done = static_cast<DWORD>(finished);
  }
  return done >= sender_frame_.size() || WriteAll(sender_frame_.substr(done));
}

// The queue is taken whole, so that Send() never waits while frames are
// joined; what was taken leaves in writes of up to kMaxWriteBatch bytes.
// True once the queue is found empty (and Send() may write itself again);
// false when a write failed.
bool PipeWriter::DrainQueue() {
  std::deque<std::string> taken;
  for (;;) {
    if (taken.empty()) {
      AutoLock hold(&lock_);
      taken.swap(queue_);
      queued_bytes_ = 0;
      // Found empty under the lock: from now on Send() may write itself.
      if (taken.empty()) {
        role_ = Role::kNone;
        return true;
      }
    }
    std::string batch;
    batch.swap(taken.front());
    taken.pop_front();
    // The empty mark: this side's writes move to the ring here.
    if (batch.empty()) {
      if (!WriteSwitchMark())
        return false;
      continue;
    }
    try {
      while (!taken.empty() && !taken.front().empty() &&
             batch.size() < kMaxWriteBatch) {
        batch += taken.front();
        taken.pop_front();
      }
    } catch (const std::exception&) {
      // Out of memory while joining: what was joined still leaves.
    }
    if (!WriteAll(batch))
      return false;
  }
}

// The last frame on the pipe tells the peer where to read on.
bool PipeWriter::WriteSwitchMark() {
  bool ok = false;
  try {
    std::string frame;
    ok = Codec::Encode(link_->SwitchMark(), CefListValue::Create(), &frame);
    if (!ok)
      end_->Fail();
    ok = ok && WriteAll(frame);
  } catch (const std::exception&) {
    end_->Fail();
  }
  if (ok)
    link_->MoveWritesToRing();
  return ok;
}

// Writes all of |frame|; after stop only until the grace period ends. A
// write that fails leaves the telling to the reader: the pipe broke, so the
// reader finds its end too, after the bytes that came before it.
bool PipeWriter::WriteAll(const std::string& frame) {
  if (link_->writes_to_ring())
    return WriteRing(frame);
  const HANDLE pipe = connection_->pipe();
  DWORD done = 0;
  while (done < frame.size()) {
    NoteStop();
    DWORD moved = 0;
    if (!WriteFile(pipe, frame.data() + done,
                   static_cast<DWORD>(frame.size() - done), &moved,
                   ov_.get())) {
      if (GetLastError() != ERROR_IO_PENDING)
        return false;
      long finished = Complete(&ov_);
      if (finished < 0)
        return false;
      moved = static_cast<DWORD>(finished);
    } else if (!GetOverlappedResult(pipe, ov_.get(), &moved, FALSE)) {
      return false;
    }
    done += moved;
  }
  return true;
}

// Writes all of |frame| into the ring, waiting for room as the reader makes
// it; after stop only until the grace period ends.
bool PipeWriter::WriteRing(const std::string& frame) {
  SharedRing* ring = link_->out();
  size_t done = 0;
  while (done < frame.size()) {
    size_t written = 0;
    if (!ring->Write(frame.data() + done, frame.size() - done, &written)) {
      end_->Fail();
      return false;
    }
    done += written;
    if (done == frame.size() || !ring->PrepareWriterWait())
      continue;
    NoteStop();
    HANDLE handles[2] = {ring->room_event(), end_->stop_event()};
    const DWORD woke =
        WaitForMultipleObjects(grace_end_ ? 1 : 2, handles, FALSE, GraceLeft());
    ring->EndWriterWait();
    if (woke == WAIT_OBJECT_0 + 1)
      grace_end_ = Now() + kCloseGraceMs;
    else if (woke != WAIT_OBJECT_0)
      return false;
  }
  return true;
}

// Waits for the pending write on |pending|; after stop only until the grace
// period ends. Returns the bytes moved, or -1.
long PipeWriter::Complete(Overlapped* pending) {
  if (grace_end_)
    return connection_->Finish(pending, GraceLeft(), nullptr);
  // Stop while blocked: wait out the grace period for this write.
  HANDLE handles[2] = {pending->event(), end_->stop_event()};
  if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0) {
    grace_end_ = Now() + kCloseGraceMs;
    return connection_->Finish(pending, kCloseGraceMs, nullptr);
  }
  return connection_->Finish(pending, 0, nullptr);
}

// Once stop is set, writes go on only until the grace period ends.
void PipeWriter::NoteStop() {
  if (!grace_end_ && end_->stopped())
    grace_end_ = Now() + kCloseGraceMs;
}

// What is left of the grace period; INFINITE before stop.
DWORD PipeWriter::GraceLeft() const {
  if (!grace_end_)
    return INFINITE;
  const ULONGLONG now = Now();
  return grace_end_ > now ? static_cast<DWORD>(grace_end_ - now) : 0;
}

// No write may start from Send() any more; one it is making ends first, and
// one left pending is cancelled.
void PipeWriter::EndSenderWrites() {
  for (;;) {
    bool sender_busy = false;
    bool pending = false;
    {
      AutoLock hold(&lock_);
      writes_over_ = true;
      sender_busy = role_ == Role::kSender && !sender_pending_;
      pending = sender_pending_;
      sender_pending_ = false;
    }
    if (pending) {
      DWORD moved = 0;
      CancelIoEx(connection_->pipe(), sender_ov_.get());
      GetOverlappedResult(connection_->pipe(), sender_ov_.get(), &moved, TRUE);
    }
    if (!sender_busy)
      break;
    Sleep(1);
  }
}

}  // namespace cef_internal
