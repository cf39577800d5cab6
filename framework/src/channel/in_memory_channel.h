// Joins the browser side and the render side inside one process. Each Send()
// copies its arguments and posts the delivery to the receiving end's thread,
// so both sides see exactly what a pipe would give them: copies, in order,
// never re-entrantly.
#ifndef FRAMEWORK_SRC_CHANNEL_IN_MEMORY_CHANNEL_H_
#define FRAMEWORK_SRC_CHANNEL_IN_MEMORY_CHANNEL_H_

#include <memory>

#include "src/channel/channel.h"

namespace cef_internal {

class ChannelInbox;
class MessageLoop;

class InMemoryChannel : public Channel {
 public:
  // Two connected ends, both owned by (and delivering on) the calling thread.
  static void CreatePair(std::unique_ptr<Channel>* a,
                         std::unique_ptr<Channel>* b);
  // The same with each end delivering on its own loop; each end must then be
  // used and destroyed on its loop's thread.
  static void CreatePairOnLoops(MessageLoop* loop_a,
                                MessageLoop* loop_b,
                                std::unique_ptr<Channel>* a,
                                std::unique_ptr<Channel>* b);

  // Closes: the peer gets OnChannelClosed.
  ~InMemoryChannel() override;

  // Channel:
  void SetDelegate(Delegate* delegate) override;
  bool Send(Op op, CefRefPtr<CefListValue> args) override;
  void Close() override;

 private:
  struct Link;

  InMemoryChannel(std::shared_ptr<Link> link, int side);

  std::shared_ptr<Link> link_;
  const int side_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_IN_MEMORY_CHANNEL_H_
