#include "src/channel/frame_reader.h"

#include <string.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "src/channel/channel_end.h"
#include "src/channel/channel_inbox.h"
#include "src/channel/codec.h"
#include "src/channel/link_negotiation.h"
#include "src/core/message_loop.h"

namespace cef_internal {
namespace {

class Recorder : public Channel::Delegate {
 public:
  void OnChannelMessage(Op op, CefRefPtr<CefListValue> args) override {
    ops.push_back(op);
    ints.push_back(args && args->GetSize() ? args->GetInt(0) : -1);
  }
  void OnChannelClosed() override { ++closed; }

  std::vector<Op> ops;
  std::vector<int> ints;
  int closed = 0;
};

std::string Frame(Op op, int n) {
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetInt(0, n);
  std::string frame;
  EXPECT_TRUE(Codec::Encode(op, args, &frame));
  return frame;
}

// A client's reader with no link offered: link ops that are not its to take
// never need a writer.
class FrameReaderTest : public testing::Test {
 protected:
  FrameReaderTest()
      : end_(ChannelInbox::Create(MessageLoop::Current())),
        link_(false, nullptr),
        reader_(&end_, &link_) {
    end_.inbox()->SetDelegate(&recorder_);
  }
  ~FrameReaderTest() override { end_.inbox()->Detach(); }

  // Feeds |bytes| in reads of |chunk| bytes, delivering after each.
  bool Feed(const std::string& bytes, size_t chunk) {
    bool ok = true;
    for (size_t at = 0; ok && at < bytes.size(); at += chunk) {
      const size_t part = std::min(chunk, bytes.size() - at);
      const size_t room = 4096;
      memcpy(reader_.buffer()->Space(room), bytes.data() + at, part);
      reader_.buffer()->Commit(room, part);
      ok = reader_.DeliverFrames();
    }
    MessageLoop::Current()->RunUntilIdle();
    return ok;
  }

  Recorder recorder_;
  ChannelEnd end_;
  LinkNegotiation link_;
  FrameReader reader_;
};

TEST_F(FrameReaderTest, FramesSplitOrJoinedByReadsArriveWholeAndInOrder) {
  std::string stream;
  for (int i = 0; i < 20; ++i)
    stream += Frame(Op::kRunDocument, i);
  // A byte at a time cuts every length prefix; 1000 joins several frames.
  ASSERT_TRUE(Feed(stream, 1));
  ASSERT_TRUE(Feed(stream, 1000));
  ASSERT_EQ(40u, recorder_.ints.size());
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(i % 20, recorder_.ints[i]) << i;
}

TEST_F(FrameReaderTest, LinkOpsAndUndecodableFramesStopHereTheNextArrives) {
  std::string garbage = Frame(Op::kRunDocument, 1);
  // The payload's version byte no decoder knows.
  garbage[Codec::kLengthSize] = static_cast<char>(0xEE);
  const std::string stream =
      Frame(Op::kLinkTaken, 5) + garbage + Frame(Op::kLinkSwitch, 6) +
      Frame(Op::kLinkOffer, 7) + Frame(Op::kDocumentLoaded, 8);
  ASSERT_TRUE(Feed(stream, 7));
  ASSERT_EQ(1u, recorder_.ops.size());
  EXPECT_EQ(Op::kDocumentLoaded, recorder_.ops[0]);
  EXPECT_EQ(8, recorder_.ints[0]);
  // No offer was taken: the pipe stays the transport.
  EXPECT_FALSE(link_.reads_from_ring());
  EXPECT_FALSE(link_.writes_to_ring());
}

TEST_F(FrameReaderTest, ALengthBeyondTheLimitEndsTheStream) {
  // Far beyond the limit in either byte order.
  const std::string prefix(Codec::kLengthSize, '\xFF');
  EXPECT_FALSE(Feed(Frame(Op::kRunDocument, 1) + prefix, 64));
  EXPECT_EQ(1u, recorder_.ops.size());
}

TEST_F(FrameReaderTest, AClosedChannelDeliversNothingMore) {
  ASSERT_TRUE(Feed(Frame(Op::kRunDocument, 1), 64));
  end_.Close();
  EXPECT_TRUE(Feed(Frame(Op::kRunDocument, 2), 64));
  EXPECT_EQ(1u, recorder_.ops.size());
  EXPECT_EQ(0, recorder_.closed);
}

}  // namespace
}  // namespace cef_internal
