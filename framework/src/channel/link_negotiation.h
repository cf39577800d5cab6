// The move from the pipe to the shared-memory link. The server offers a
// RingLink as its first frame; a client that takes it answers kLinkTaken
// as its last frame on the pipe and writes to the ring from then on; the
// server then reads the ring and answers kLinkSwitch, its own last pipe
// frame. Each side reads the ring once the other's last pipe frame came.
#ifndef FRAMEWORK_SRC_CHANNEL_LINK_NEGOTIATION_H_
#define FRAMEWORK_SRC_CHANNEL_LINK_NEGOTIATION_H_

#include <windows.h>

#include <atomic>
#include <memory>

#include "include/cef_values.h"
#include "src/channel/codec.h"
#include "src/channel/ring_link.h"

namespace cef_internal {

class PipeWriter;

class LinkNegotiation {
 public:
  LinkNegotiation(bool is_server, PipeWriter* writer);
  ~LinkNegotiation();
  LinkNegotiation(const LinkNegotiation&) = delete;
  LinkNegotiation& operator=(const LinkNegotiation&) = delete;

  // Server, reader thread, once the client is known and before anything is
  // written: the link goes out as the first frame. Without one the pipe
  // carries all.
  void Offer(DWORD client_process_id);

  // Whoever reads: the link's own ops steer the transport and go no
  // further; false for every other op. Each is honoured once, in its turn,
  // from the side that may send it; any other is dropped. |frames_read|
  // counts the frames before this one.
  bool TakeLinkOp(Op op, CefRefPtr<CefListValue> args, int frames_read);

  // The frame this side writes last on the pipe.
  Op SwitchMark() const;
  // Write thread: this side's switch mark is written.
  void MoveWritesToRing() { writes_to_ring_.store(true); }

  bool reads_from_ring() const { return reads_from_ring_.load(); }
  bool writes_to_ring() const { return writes_to_ring_.load(); }
  // Auto-reset: set when reads move to the ring.
  HANDLE reads_moved_event() const { return reads_moved_; }
  // Valid once reads_from_ring() or writes_to_ring().
  SharedRing* in() { return link_->in(); }
  SharedRing* out() { return link_->out(); }

 private:
  void MoveReadsToRing();

  const bool is_server_;
  PipeWriter* const writer_;
  // Set once, by whoever reads (on the server before the connection is
  // announced), before the flags below or the queued switch mark let any
  // other thread use it.
  std::unique_ptr<RingLink> link_;
  std::atomic<bool> reads_from_ring_{false};
  std::atomic<bool> writes_to_ring_{false};
  const HANDLE reads_moved_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_LINK_NEGOTIATION_H_
