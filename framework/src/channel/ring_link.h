// The shared-memory half of a pipe channel: one section holding a ring each
// way, and the four events that wake a side waiting on one. The server makes
// it and hands it to the one client its pipe accepted (the handles are
// duplicated into that process, never named, so no other process can open
// them); the client takes it from the server's offer.
#ifndef FRAMEWORK_SRC_CHANNEL_RING_LINK_H_
#define FRAMEWORK_SRC_CHANNEL_RING_LINK_H_

#include <windows.h>

#include <memory>

#include "include/cef_values.h"
#include "src/channel/shared_ring.h"

namespace cef_internal {

class RingLink {
 public:
  // Server: a new section and its events; null when the system has none.
  static std::unique_ptr<RingLink> Create();
  // Client: the link an offer names (handles already in this process); null
  // when they do not make one.
  static std::unique_ptr<RingLink> Take(CefRefPtr<CefListValue> offer);

  ~RingLink();
  RingLink(const RingLink&) = delete;
  RingLink& operator=(const RingLink&) = delete;

  // Server: duplicates the section and events into |process_id| and lists
  // their values there. False (nothing listed) when that fails.
  bool OfferTo(DWORD process_id, CefRefPtr<CefListValue> offer) const;

  // This side's rings: the one it reads and the one it writes.
  SharedRing* in() { return in_.get(); }
  SharedRing* out() { return out_.get(); }

 private:
  // Section, then the events: server-to-client data and room, then
  // client-to-server data and room.
  static constexpr int kHandleCount = 5;

  RingLink() = default;
  // Maps the section and makes the rings; false on failure.
  bool Map(bool is_server);

  HANDLE handles_[kHandleCount] = {};
  void* view_ = nullptr;
  std::unique_ptr<SharedRing> in_;
  std::unique_ptr<SharedRing> out_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_RING_LINK_H_
