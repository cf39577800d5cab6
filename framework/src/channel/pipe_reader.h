// The reader thread of a pipe channel: on the server it waits for the
// expected client and offers the link, then reads the pipe (or, once the
// peer's writes moved there, the ring) into the FrameReader. It steps aside
// while the owner thread reads (see ReadHandOff), and while the ring carries
// the bytes it watches the pipe for the peer's end.
#ifndef FRAMEWORK_SRC_CHANNEL_PIPE_READER_H_
#define FRAMEWORK_SRC_CHANNEL_PIPE_READER_H_

#include <windows.h>

#include <atomic>

#include "src/channel/overlapped.h"

namespace cef_internal {

class ChannelEnd;
class FrameReader;
class LinkNegotiation;
class PipeConnection;
class PipeWriter;
class ReadHandOff;

class PipeReader {
 public:
  struct Parts {
    PipeConnection* connection;
    ChannelEnd* end;
    LinkNegotiation* link;
    FrameReader* frames;
    ReadHandOff* hand_off;
    PipeWriter* writer;
  };

  explicit PipeReader(const Parts& parts);
  ~PipeReader();
  PipeReader(const PipeReader&) = delete;
  PipeReader& operator=(const PipeReader&) = delete;

  // The reader thread's body. Ending without a local Close() means the peer
  // or the stream failed: the owner is told.
  void Run();

  // Manual-reset: set once Run() is off the pipe.
  HANDLE done_event() const { return done_; }
  // The pipe ended while the ring carried the bytes: what the ring holds is
  // the last of them. Any thread.
  bool peer_gone() const { return peer_gone_.load(); }

 private:
  enum class Got { kBytes, kStepAside, kEnd };

  bool Connect();
  void ReadUntilEnd();
  Got ReadSome(char* buffer, DWORD room, DWORD* moved);
  Got ReadPipe(char* buffer, DWORD room, DWORD* moved);
  Got ReadRing(char* buffer, DWORD room, DWORD* moved);
  bool StepAside();
  void WatchPipeEnd();
  void PipeEnded();
  void StopWatchingPipeEnd();

  const Parts parts_;
  const HANDLE done_;
  std::atomic<bool> peer_gone_{false};

  // Reader thread only: its own reads, and the read that watches for the
  // pipe's end while the ring carries the bytes.
  Overlapped ov_;
  Overlapped end_ov_;
  char end_byte_ = 0;
  bool end_watched_ = false;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_PIPE_READER_H_
