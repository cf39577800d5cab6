#include "src/channel/pipe_reader.h"

#include "src/channel/channel_end.h"
#include "src/channel/frame_reader.h"
#include "src/channel/link_negotiation.h"
#include "src/channel/pipe_connection.h"
#include "src/channel/pipe_writer.h"
#include "src/channel/read_hand_off.h"

namespace cef_internal {

namespace {

const DWORD kReadSize = PipeConnection::kBufferSize;

}  // namespace

PipeReader::PipeReader(const Parts& parts)
    : parts_(parts), done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

PipeReader::~PipeReader() {
  CloseHandle(done_);
}

void PipeReader::Run() {
  if (Connect())
    ReadUntilEnd();
  StopWatchingPipeEnd();
  parts_.hand_off->ReaderThreadEnds();
  parts_.end->Fail();
  SetEvent(done_);
}

// Server: the expected client, then the link offer before anything else is
// written. False on stop or when the client did not come in time.
bool PipeReader::Connect() {
  PipeConnection* connection = parts_.connection;
  if (!connection->is_server())
    return true;
  if (!connection->AcceptExpectedClient(&ov_, parts_.end->stop_event()))
    return false;
  parts_.link->Offer(connection->expected_client());
  parts_.writer->OnConnected();
  return true;
}

void PipeReader::ReadUntilEnd() {
  FrameBuffer* buffer = parts_.frames->buffer();
  // Running out of memory over one frame ends the channel, never the
  // process: the owner then treats the peer as gone.
  try {
    // A peer that keeps the pipe full must not keep this loop from seeing
    // the channel close: the closing thread waits for it.
    while (!parts_.end->closed()) {
      // One read takes whatever is there: often several frames, or a length
      // prefix with its payload.
      char* space = buffer->Space(kReadSize);
      DWORD moved = 0;
      const Got got = ReadSome(space, kReadSize, &moved);
      buffer->Commit(kReadSize, got == Got::kEnd ? 0 : moved);
      if (got == Got::kEnd || !parts_.frames->DeliverFrames())
        return;
      if (got == Got::kStepAside && !StepAside())
        return;
    }
  } catch (...) {
  }
}

// Reads up to |room| bytes; kStepAside when the owner asked for reading
// meanwhile (with the bytes that came first).
PipeReader::Got PipeReader::ReadSome(char* buffer, DWORD room, DWORD* moved) {
  *moved = 0;
  if (parts_.link->reads_from_ring())
    return ReadRing(buffer, room, moved);
  return ReadPipe(buffer, room, moved);
}

PipeReader::Got PipeReader::ReadPipe(char* buffer, DWORD room, DWORD* moved) {
  const HANDLE pipe = parts_.connection->pipe();
  if (ReadFile(pipe, buffer, room, moved, ov_.get()))
    return GetOverlappedResult(pipe, ov_.get(), moved, FALSE) && *moved > 0
               ? Got::kBytes
               : Got::kEnd;
  if (GetLastError() != ERROR_IO_PENDING)
    return Got::kEnd;
  HANDLE handles[3] = {ov_.event(), parts_.end->stop_event(),
                       parts_.hand_off->yield_request()};
  const DWORD woke = WaitForMultipleObjects(3, handles, FALSE, INFINITE);
  if (woke == WAIT_OBJECT_0)
    return GetOverlappedResult(pipe, ov_.get(), moved, FALSE) && *moved > 0
               ? Got::kBytes
               : Got::kEnd;
  CancelIoEx(pipe, ov_.get());
  const bool ok = GetOverlappedResult(pipe, ov_.get(), moved, TRUE) != FALSE;
  if (woke != WAIT_OBJECT_0 + 2 ||
      (!ok && GetLastError() != ERROR_OPERATION_ABORTED))
    return Got::kEnd;
  return Got::kStepAside;
}

// kEnd once the pipe has ended and the ring is empty (or broken).
PipeReader::Got PipeReader::ReadRing(char* buffer, DWORD room, DWORD* moved) {
  SharedRing* ring = parts_.link->in();
  for (;;) {
    const bool gone = peer_gone_.load();
    if (gone || ring->Readable()) {
      size_t read = 0;
      const bool ok = ring->Read(buffer, room, &read);
      *moved = static_cast<DWORD>(read);
      if (ok && read)
        return Got::kBytes;
      if (!ok || gone)
        return Got::kEnd;
    }
    WatchPipeEnd();
    if (!ring->PrepareReaderWait())
      continue;
    HANDLE handles[4] = {ring->data_event(), parts_.end->stop_event(),
                         parts_.hand_off->yield_request(), end_ov_.event()};
    const DWORD woke =
        WaitForMultipleObjects(end_watched_ ? 4 : 3, handles, FALSE, INFINITE);
    ring->EndReaderWait();
    if (woke == WAIT_OBJECT_0 + 3)
      PipeEnded();
    else if (woke == WAIT_OBJECT_0 + 2)
      return Got::kStepAside;
    else if (woke != WAIT_OBJECT_0)
      return Got::kEnd;
  }
}

// Asked to step aside: parks until the owner hands reading back. False on
// stop.
bool PipeReader::StepAside() {
  ReadHandOff* hand_off = parts_.hand_off;
  if (!hand_off->StepAside())
    return true;
  SetEvent(hand_off->yielded());
  for (;;) {
    // The owner reads the ring but cannot see the pipe end: this thread
    // watches it meanwhile.
    if (parts_.link->reads_from_ring())
      WatchPipeEnd();
    HANDLE handles[4] = {hand_off->resume(), parts_.end->stop_event(),
                         parts_.link->reads_moved_event(), end_ov_.event()};
    const DWORD woke =
        WaitForMultipleObjects(end_watched_ ? 4 : 3, handles, FALSE, INFINITE);
    if (woke == WAIT_OBJECT_0 + 3)
      PipeEnded();
    else if (woke != WAIT_OBJECT_0 + 2)
      return woke == WAIT_OBJECT_0;
  }
}

// A read of the pipe that only its end (or bytes a peer must no longer
// send) completes.
void PipeReader::WatchPipeEnd() {
  if (end_watched_ || peer_gone_.load())
    return;
  DWORD moved = 0;
  if (!ReadFile(parts_.connection->pipe(), &end_byte_, 1, &moved,
                end_ov_.get()) &&
      GetLastError() == ERROR_IO_PENDING) {
    end_watched_ = true;
    return;
  }
  PipeEnded();
}

void PipeReader::PipeEnded() {
  end_watched_ = false;
  peer_gone_.store(true);
  // Whoever waits for the ring drains it, then finds the end.
  SetEvent(parts_.link->in()->data_event());
}

void PipeReader::StopWatchingPipeEnd() {
  if (!end_watched_)
    return;
  DWORD moved = 0;
  CancelIoEx(parts_.connection->pipe(), end_ov_.get());
  GetOverlappedResult(parts_.connection->pipe(), end_ov_.get(), &moved, TRUE);
  end_watched_ = false;
}

}  // namespace cef_internal
