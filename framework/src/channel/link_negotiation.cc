#include "src/channel/link_negotiation.h"

#include <exception>
#include <string>
#include <utility>

#include "src/channel/pipe_writer.h"

namespace cef_internal {

LinkNegotiation::LinkNegotiation(bool is_server, PipeWriter* writer)
    : is_server_(is_server),
      writer_(writer),
      reads_moved_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

LinkNegotiation::~LinkNegotiation() {
  CloseHandle(reads_moved_);
}

void LinkNegotiation::Offer(DWORD client_process_id) {
  try {
    std::unique_ptr<RingLink> made = RingLink::Create();
    CefRefPtr<CefListValue> offer = CefListValue::Create();
    std::string frame;
    if (!made || !made->OfferTo(client_process_id, offer) ||
        !Codec::Encode(Op::kLinkOffer, offer, &frame)) {
      return;
    }
    if (writer_->QueueFirst(std::move(frame)))
      link_ = std::move(made);
  } catch (const std::exception&) {
  }
}

bool LinkNegotiation::TakeLinkOp(Op op,
                                 CefRefPtr<CefListValue> args,
                                 int frames_read) {
  if (op == Op::kLinkOffer) {
    if (!is_server_ && frames_read == 0 && !link_) {
      link_ = RingLink::Take(args);
      if (link_)
        writer_->QueueSwitch();
    }
  } else if (op == Op::kLinkTaken) {
    if (is_server_ && link_ && !reads_from_ring_.load()) {
      MoveReadsToRing();
      writer_->QueueSwitch();
    }
  } else if (op == Op::kLinkSwitch) {
    if (!is_server_ && link_ && !reads_from_ring_.load())
      MoveReadsToRing();
  } else {
    return false;
  }
  return true;
}

Op LinkNegotiation::SwitchMark() const {
  return is_server_ ? Op::kLinkSwitch : Op::kLinkTaken;
}

void LinkNegotiation::MoveReadsToRing() {
  reads_from_ring_.store(true);
  // A reader thread that stepped aside now watches the pipe for the end.
  SetEvent(reads_moved_);
}

}  // namespace cef_internal
