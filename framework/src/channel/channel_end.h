// How a pipe channel ends, for every thread of it: the stop event each of
// them watches, the closed flag after which nothing more is delivered, and
// telling the owner once that the peer or the stream failed. Thread-safe.
#ifndef FRAMEWORK_SRC_CHANNEL_CHANNEL_END_H_
#define FRAMEWORK_SRC_CHANNEL_CHANNEL_END_H_

#include <windows.h>

#include <atomic>
#include <memory>

namespace cef_internal {

class ChannelInbox;

class ChannelEnd {
 public:
  explicit ChannelEnd(std::shared_ptr<ChannelInbox> inbox);
  ~ChannelEnd();
  ChannelEnd(const ChannelEnd&) = delete;
  ChannelEnd& operator=(const ChannelEnd&) = delete;

  ChannelInbox* inbox() const { return inbox_.get(); }
  // Set on Close() or failure: the reader stops, the writer drains and ends.
  HANDLE stop_event() const { return stop_; }
  bool stopped() const;
  bool closed() const { return closed_.load(); }

  // The owner closes: nothing more is delivered, nothing is told.
  void Close();
  // Every thread of the channel winds down.
  void Stop();
  // The peer is gone or the stream is unusable: tell the owner once.
  void Fail();

 private:
  const std::shared_ptr<ChannelInbox> inbox_;
  const HANDLE stop_;
  std::atomic<bool> closed_{false};
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_CHANNEL_END_H_
