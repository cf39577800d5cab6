#include "src/channel/shared_ring.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"

namespace cef_internal {
namespace {

const DWORD kWaitMs = 10000;

// One ring's view and events, with a writer's and a reader's side over it,
// as the two processes would have.
class RingPair {
 public:
  RingPair()
      : view_(SharedRing::ViewSize(), 0),
        data_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
        room_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
        writer(view_.data(), data_, room_),
        reader(view_.data(), data_, room_) {}
  ~RingPair() {
    CloseHandle(data_);
    CloseHandle(room_);
  }
  // The header's first field: the writer's position as the reader finds it.
  uint32_t* write_position() {
    return reinterpret_cast<uint32_t*>(view_.data());
  }
  uint32_t* read_position() {
    return reinterpret_cast<uint32_t*>(view_.data() + 64);
  }

 private:
  std::vector<char> view_;
  HANDLE data_;
  HANDLE room_;

 public:
  SharedRing writer;
  SharedRing reader;
};

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  std::mt19937 random(7);
  for (char& byte : bytes)
    byte = static_cast<char>(random());
  return bytes;
}

TEST(SharedRingTest, AStreamCrossesWholeThroughWrapsFullRingsAndWaits) {
  // Chunks of every size on both sides, several times the ring's size: the
  // writer waits for room and the reader for bytes, each woken only when it
  // said it would wait. A lost wake shows as a wait that runs out.
  RingPair ring;
  const std::string sent = Pattern(5 * SharedRing::kCapacity + 12345);
  std::atomic<bool> writer_stalled{false};
  std::thread writer([&] {
    std::mt19937 random(1);
    size_t done = 0;
    while (done < sent.size() && !writer_stalled) {
      const size_t chunk =
          std::min<size_t>(sent.size() - done, 1 + random() % (70 * 1024));
      size_t written = 0;
      ASSERT_TRUE(ring.writer.Write(sent.data() + done, chunk, &written));
      done += written;
      if (written < chunk && ring.writer.PrepareWriterWait()) {
        writer_stalled = WaitForSingleObject(ring.writer.room_event(),
                                             kWaitMs) != WAIT_OBJECT_0;
        ring.writer.EndWriterWait();
      }
    }
  });
  std::string received;
  std::mt19937 random(2);
  std::vector<char> buffer(100 * 1024);
  bool reader_stalled = false;
  while (received.size() < sent.size() && !reader_stalled) {
    size_t read = 0;
    ASSERT_TRUE(
        ring.reader.Read(buffer.data(), 1 + random() % buffer.size(), &read));
    received.append(buffer.data(), read);
    if (!read && ring.reader.PrepareReaderWait()) {
      reader_stalled = WaitForSingleObject(ring.reader.data_event(), kWaitMs) !=
                       WAIT_OBJECT_0;
      ring.reader.EndReaderWait();
    }
  }
  writer_stalled = writer_stalled || reader_stalled;
  writer.join();
  EXPECT_FALSE(reader_stalled);
  EXPECT_FALSE(writer_stalled);
  EXPECT_TRUE(received == sent);
}

TEST(SharedRingTest, NoWaitIsNeededWhenTheOtherSideIsAhead) {
  RingPair ring;
  EXPECT_TRUE(ring.reader.PrepareReaderWait());
  ring.reader.EndReaderWait();
  size_t written = 0;
  ASSERT_TRUE(ring.writer.Write("abc", 3, &written));
  EXPECT_EQ(3u, written);
  // Something to read: no wait, and no wake was owed either.
  EXPECT_FALSE(ring.reader.PrepareReaderWait());
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(ring.reader.data_event(), 0));
  // A writer with room never waits; a full one does, until a read.
  EXPECT_FALSE(ring.writer.PrepareWriterWait());
  const std::string fill(SharedRing::kCapacity, 'f');
  ASSERT_TRUE(ring.writer.Write(fill.data(), fill.size(), &written));
  EXPECT_EQ(SharedRing::kCapacity - 3, written);
  EXPECT_TRUE(ring.writer.PrepareWriterWait());
  char out[8];
  size_t read = 0;
  ASSERT_TRUE(ring.reader.Read(out, sizeof(out), &read));
  EXPECT_EQ(0, std::memcmp(out, "abcfffff", 8));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ring.writer.room_event(), 0));
}

TEST(SharedRingTest, PositionsThePeerCouldNotHaveReachedBreakTheRing) {
  // The other process may write anything into the header: a writer claiming
  // more than the ring holds, or a reader claiming to be ahead of what was
  // written, is refused without touching memory outside the view.
  {
    RingPair ring;
    *ring.write_position() = SharedRing::kCapacity + 1;
    EXPECT_NE(0u, ring.reader.Readable());
    char out[16];
    size_t read = 99;
    EXPECT_FALSE(ring.reader.Read(out, sizeof(out), &read));
    EXPECT_EQ(0u, read);
  }
  {
    RingPair ring;
    *ring.write_position() = 0xFFFFFFF0u;  // behind the reader
    char out[16];
    size_t read = 0;
    EXPECT_FALSE(ring.reader.Read(out, sizeof(out), &read));
  }
  {
    RingPair ring;
    *ring.read_position() = 5;  // ahead of the writer
    size_t written = 99;
    EXPECT_FALSE(ring.writer.Write("x", 1, &written));
    EXPECT_EQ(0u, written);
    EXPECT_FALSE(ring.writer.PrepareWriterWait());
  }
}

}  // namespace
}  // namespace cef_internal
