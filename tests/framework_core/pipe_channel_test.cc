#include "src/channel/pipe_channel.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "src/channel/channel_inbox.h"
#include "src/channel/codec.h"
#include "src/channel/ring_link.h"
#include "src/channel/shared_ring.h"
#include "src/core/message_loop.h"

namespace cef_internal {
namespace {

const int kWaitMs = 10000;

class Recorder : public Channel::Delegate {
 public:
  void OnChannelMessage(Op op, CefRefPtr<CefListValue> args) override {
    EXPECT_TRUE(MessageLoop::Current()->BelongsToCurrentThread());
    ops.push_back(op);
    this->args.push_back(args);
  }
  void OnChannelClosed() override { ++closed; }

  std::vector<Op> ops;
  std::vector<CefRefPtr<CefListValue>> args;
  int closed = 0;
};

bool WaitFor(const std::function<bool()>& done) {
  return MessageLoop::Current()->RunUntil(done, kWaitMs);
}

// Reads one whole frame from a raw pipe handle, as a peer that is not a
// channel would.
void ReadRawFrame(HANDLE raw, Op* op, CefRefPtr<CefListValue>* args) {
  char prefix[Codec::kLengthSize];
  DWORD moved = 0;
  uint32_t length = 0;
  ASSERT_TRUE(ReadFile(raw, prefix, sizeof(prefix), &moved, nullptr));
  ASSERT_TRUE(Codec::ReadLength(prefix, &length));
  std::string payload(length, '\0');
  for (DWORD done = 0; done < length; done += moved)
    ASSERT_TRUE(ReadFile(raw, &payload[done], length - done, &moved, nullptr));
  ASSERT_TRUE(Codec::Decode(payload.data(), payload.size(), op, args));
}

std::string Pattern(size_t size, char seed) {
  std::string bytes(size, seed);
  for (size_t i = 0; i < size; i += 997)
    bytes[i] = static_cast<char>(i / 997);
  return bytes;
}

CefRefPtr<CefListValue> Mixed(int n) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, n);
  list->SetString(1, L"\u00e9\u4e2d");
  list->SetDictionary(2, CefDictionaryValue::Create());
  list->GetDictionary(2)->SetDouble("d", n + 0.5);
  return list;
}

class PipeChannelTest : public testing::Test {
 protected:
  void SetUp() override {
    server_ = PipeChannel::CreateServer(&name_);
    ASSERT_TRUE(server_);
    EXPECT_EQ(0u, name_.find(L"\\\\.\\pipe\\kxcef-"));
    // Both ends live in this process.
    server_->AcceptOnlyClient(GetCurrentProcessId());
    server_->SetDelegate(&server_recorder_);
  }
  void ConnectClient() {
    client_ = PipeChannel::Connect(name_, kWaitMs);
    ASSERT_TRUE(client_);
    client_->SetDelegate(&client_recorder_);
  }

  std::wstring name_;
  std::unique_ptr<PipeChannel> server_, client_;
  Recorder server_recorder_, client_recorder_;
};

TEST_F(PipeChannelTest, RoundTripsInOrderBothWays) {
  // Sent before the client exists: waits in the queue.
  EXPECT_TRUE(server_->Send(Op::kBrowserCreated, Mixed(0)));
  ConnectClient();
  for (int i = 1; i < 50; ++i)
    EXPECT_TRUE(server_->Send(Op::kRunDocument, Mixed(i)));
  EXPECT_TRUE(client_->Send(Op::kDocumentLoaded, Mixed(7)));
  ASSERT_TRUE(WaitFor([&] {
    return client_recorder_.ops.size() == 50 &&
           server_recorder_.ops.size() == 1;
  }));
  EXPECT_EQ(Op::kBrowserCreated, client_recorder_.ops[0]);
  for (int i = 0; i < 50; ++i)
    EXPECT_TRUE(client_recorder_.args[i]->IsEqual(Mixed(i))) << i;
  EXPECT_EQ(Op::kDocumentLoaded, server_recorder_.ops[0]);
  EXPECT_TRUE(server_recorder_.args[0]->IsEqual(Mixed(7)));
}

TEST_F(PipeChannelTest, LargeMessagesPassThePipeBuffer) {
  ConnectClient();
  std::string big(3 * 1024 * 1024, 'x');
  for (size_t i = 0; i < big.size(); i += 4096)
    big[i] = static_cast<char>(i / 4096);
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetBinary(0, CefBinaryValue::Create(big.data(), big.size()));
  EXPECT_TRUE(client_->Send(Op::kProcessMessage, args));
  EXPECT_TRUE(client_->Send(Op::kConsoleMessage, nullptr));
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.ops.size() == 2; }));
  EXPECT_TRUE(server_recorder_.args[0]->IsEqual(args));
}

TEST_F(PipeChannelTest, BurstsOfSmallAndLargeFramesArriveWholeAndInOrder) {
  // Frames queued together leave in shared writes and arrive in shared
  // reads: every boundary between them must survive, including frames that
  // span many reads and frames that end inside one.
  ConnectClient();
  const int kCount = 3000;
  std::vector<CefRefPtr<CefListValue>> sent;
  for (int i = 0; i < kCount; ++i) {
    CefRefPtr<CefListValue> args = Mixed(i);
    if (i % 500 == 250) {
      std::string big(100 * 1024 + i, static_cast<char>(i));
      args->SetBinary(3, CefBinaryValue::Create(big.data(), big.size()));
    }
    sent.push_back(args);
    EXPECT_TRUE(server_->Send(Op::kProcessMessage, args));
    EXPECT_TRUE(client_->Send(Op::kProcessMessage, args));
  }
  ASSERT_TRUE(WaitFor([&] {
    return client_recorder_.ops.size() == kCount &&
           server_recorder_.ops.size() == kCount;
  }));
  for (int i = 0; i < kCount; ++i) {
    ASSERT_TRUE(client_recorder_.args[i]->IsEqual(sent[i])) << i;
    ASSERT_TRUE(server_recorder_.args[i]->IsEqual(sent[i])) << i;
  }
  EXPECT_EQ(0, client_recorder_.closed + server_recorder_.closed);
}

TEST_F(PipeChannelTest, TwoChannelsMoveToSharedMemoryAndKeepEveryFrame) {
  // The link is taken while frames already flow; once both ends use it,
  // frames several times the ring's size still cross whole, in order, both
  // ways, and a close after them comes after them.
  ConnectClient();
  int sent_each_way = 0;
  while (!server_->UsesSharedMemoryForTesting() ||
         !client_->UsesSharedMemoryForTesting()) {
    ASSERT_LT(sent_each_way, 100);
    server_->Send(Op::kProcessMessage, Mixed(sent_each_way));
    client_->Send(Op::kProcessMessage, Mixed(sent_each_way));
    ++sent_each_way;
    ASSERT_TRUE(WaitFor([&] {
      return client_recorder_.ops.size() == sent_each_way &&
             server_recorder_.ops.size() == sent_each_way;
    }));
  }
  std::vector<CefRefPtr<CefListValue>> sent;
  for (int i = 0; i < 40; ++i) {
    CefRefPtr<CefListValue> args = Mixed(sent_each_way + i);
    const size_t size = i % 8 == 3 ? 3 * SharedRing::kCapacity + i : i * 100;
    args->SetBinary(3, CefBinaryValue::Create(
                           Pattern(size, static_cast<char>(i)).data(), size));
    sent.push_back(args);
    ASSERT_TRUE(server_->Send(Op::kProcessMessage, args));
    ASSERT_TRUE(client_->Send(Op::kProcessMessage, args));
  }
  const size_t expected = sent_each_way + sent.size();
  ASSERT_TRUE(WaitFor([&] {
    return client_recorder_.ops.size() == expected &&
           server_recorder_.ops.size() == expected;
  }));
  for (size_t i = 0; i < expected; ++i) {
    CefRefPtr<CefListValue> want = i < static_cast<size_t>(sent_each_way)
                                       ? Mixed(static_cast<int>(i))
                                       : sent[i - sent_each_way];
    ASSERT_TRUE(client_recorder_.args[i]->IsEqual(want)) << i;
    ASSERT_TRUE(server_recorder_.args[i]->IsEqual(want)) << i;
  }
  for (int i = 0; i < 5; ++i)
    client_->Send(Op::kConsoleMessage, Mixed(i));
  client_.reset();
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.closed == 1; }));
  EXPECT_EQ(expected + 5, server_recorder_.ops.size());
}

TEST_F(PipeChannelTest, APeerThatBreaksTheSharedMemoryIsCutOff) {
  // A client playing the handshake by hand (both ends live in this process,
  // so the offered handles are valid here), then writing positions into the
  // ring that no writer could reach.
  HANDLE raw = CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, raw);
  Op op;
  CefRefPtr<CefListValue> offer;
  ASSERT_NO_FATAL_FAILURE(ReadRawFrame(raw, &op, &offer));
  ASSERT_EQ(Op::kLinkOffer, op);
  DWORD moved = 0;
  std::unique_ptr<RingLink> link = RingLink::Take(offer->Copy());
  ASSERT_TRUE(link);
  std::string taken, good;
  ASSERT_TRUE(Codec::Encode(Op::kLinkTaken, nullptr, &taken));
  ASSERT_TRUE(WriteFile(raw, taken.data(), static_cast<DWORD>(taken.size()),
                        &moved, nullptr));
  ASSERT_TRUE(Codec::Encode(Op::kConsoleMessage, Mixed(1), &good));
  size_t written = 0;
  ASSERT_TRUE(link->out()->Write(good.data(), good.size(), &written));
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.ops.size() == 1; }));
  EXPECT_TRUE(server_recorder_.args[0]->IsEqual(Mixed(1)));
  // The client-to-server ring's header follows the other ring; its first
  // field is the writer's position.
  void* view = MapViewOfFile(
      reinterpret_cast<HANDLE>(static_cast<INT_PTR>(offer->GetInt(0))),
      FILE_MAP_WRITE, 0, 0, 0);
  ASSERT_TRUE(view);
  *reinterpret_cast<volatile uint32_t*>(static_cast<char*>(view) +
                                        SharedRing::ViewSize()) += 1u << 31;
  SetEvent(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(offer->GetInt(3))));
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.closed == 1; }));
  EXPECT_EQ(1u, server_recorder_.ops.size());
  UnmapViewOfFile(view);
  link.reset();
  CloseHandle(raw);
}

TEST_F(PipeChannelTest, PeerCloseIsReportedOnceAfterItsMessages) {
  ConnectClient();
  for (int i = 0; i < 20; ++i)
    client_->Send(Op::kConsoleMessage, Mixed(i));
  client_.reset();
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.closed > 0; }));
  EXPECT_EQ(20u, server_recorder_.ops.size());
  MessageLoop::Current()->RunUntilIdle();
  EXPECT_EQ(1, server_recorder_.closed);
  EXPECT_FALSE(server_->Send(Op::kShutdown, nullptr));
}

TEST_F(PipeChannelTest, LocalCloseStopsDeliveries) {
  ConnectClient();
  client_->Send(Op::kConsoleMessage, Mixed(1));
  server_->Close();
  EXPECT_FALSE(server_->Send(Op::kShutdown, nullptr));
  ASSERT_TRUE(WaitFor([&] { return client_recorder_.closed == 1; }));
  MessageLoop::Current()->RunUntilIdle();
  EXPECT_TRUE(server_recorder_.ops.empty());
  EXPECT_EQ(0, server_recorder_.closed);
}

TEST_F(PipeChannelTest, FramesSplitAnywhereOrJoinedAreReadWhole) {
  HANDLE raw = CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, raw);
  auto write = [raw](const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(raw, bytes.data(), static_cast<DWORD>(bytes.size()),
                          &written, nullptr));
  };
  std::string first, second, third;
  ASSERT_TRUE(Codec::Encode(Op::kRunDocument, Mixed(1), &first));
  ASSERT_TRUE(Codec::Encode(Op::kRunDocument, Mixed(2), &second));
  ASSERT_TRUE(Codec::Encode(Op::kRunDocument, Mixed(3), &third));
  // One byte at a time, the length prefix included; then two frames and
  // the start of a third in one write, the rest of it after a pause.
  for (char byte : first) {
    write(std::string(1, byte));
    MessageLoop::Current()->RunUntil([] { return false; }, 1);
  }
  const std::string joined = second + third.substr(0, 7);
  write(joined);
  MessageLoop::Current()->RunUntil([] { return false; }, 50);
  write(third.substr(7));
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.ops.size() == 3; }));
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(server_recorder_.args[i]->IsEqual(Mixed(i + 1))) << i;
  CloseHandle(raw);
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.closed == 1; }));
}

TEST_F(PipeChannelTest, GarbageFramesAreDroppedAndBrokenFramingCloses) {
  HANDLE raw = CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, raw);
  auto write = [raw](const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(raw, bytes.data(), static_cast<DWORD>(bytes.size()),
                          &written, nullptr));
    ASSERT_EQ(bytes.size(), written);
  };
  // Well framed, undecodable.
  write(std::string("\x06\0\0\0garbag", 10));
  write(std::string("\0\0\0\0", 4));
  std::string good;
  ASSERT_TRUE(Codec::Encode(Op::kCloseBrowser, Mixed(3), &good));
  write(good);
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.ops.size() == 1; }));
  EXPECT_EQ(Op::kCloseBrowser, server_recorder_.ops[0]);
  EXPECT_EQ(0, server_recorder_.closed);
  // A length no frame may have: the stream is out of step.
  write("\xff\xff\xff\x7f" + std::string(64, 'z'));
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.closed == 1; }));
  EXPECT_EQ(1u, server_recorder_.ops.size());
  CloseHandle(raw);
}

// Takes the address space in large blocks until none is left, so that a
// large allocation fails while small ones still succeed; gives it back when
// it goes.
class AddressSpaceSqueeze {
 public:
  static constexpr SIZE_T kBlock = 16 * 1024 * 1024;
  AddressSpaceSqueeze() {
    for (;;) {
      void* block = VirtualAlloc(nullptr, kBlock, MEM_RESERVE, PAGE_NOACCESS);
      if (!block)
        break;
      blocks_.push_back(block);
    }
  }
  ~AddressSpaceSqueeze() {
    for (void* block : blocks_)
      VirtualFree(block, 0, MEM_RELEASE);
  }
  // Takes what was freed since (another thread may free a large block at
  // any time); true once no large block is left.
  bool LargeAllocationFails() {
    for (int i = 0; i < 1000; ++i) {
      void* block = VirtualAlloc(nullptr, kBlock, MEM_RESERVE, PAGE_NOACCESS);
      if (!block)
        return true;
      blocks_.push_back(block);
    }
    return false;
  }

 private:
  std::vector<void*> blocks_;
};

TEST_F(PipeChannelTest, OutOfMemoryForAFrameClosesTheChannelNotTheProcess) {
  HANDLE raw = CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, raw);
  std::string good;
  ASSERT_TRUE(Codec::Encode(Op::kCloseBrowser, Mixed(1), &good));
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(raw, good.data(), static_cast<DWORD>(good.size()),
                        &written, nullptr));
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.ops.size() == 1; }));
  // A frame announcing 48 MB, more than one block the process can still get.
  const uint32_t length = 48 * 1024 * 1024;
  std::string prefix(reinterpret_cast<const char*>(&length), 4);
  {
    AddressSpaceSqueeze squeeze;
    ASSERT_TRUE(squeeze.LargeAllocationFails());
    ASSERT_TRUE(WriteFile(raw, prefix.data(), 4, &written, nullptr));
    // The reader gives up on the frame: the pipe closes under the writer.
    std::string chunk(64 * 1024, 'n');
    for (int i = 0; i < 1000; ++i) {
      if (!WriteFile(raw, chunk.data(), static_cast<DWORD>(chunk.size()),
                     &written, nullptr)) {
        break;
      }
    }
    ASSERT_TRUE(WaitFor([&] { return server_recorder_.closed == 1; }));
  }
  EXPECT_EQ(1u, server_recorder_.ops.size());
  EXPECT_FALSE(server_->Send(Op::kShutdown, nullptr));
  CloseHandle(raw);
}

TEST_F(PipeChannelTest, FramesSentWhileThePeerLagsArriveWholeAndInOrder) {
  // A slow peer makes a write Send() started pend; the writer thread must
  // finish it before the frames queued behind it, and any that Send()
  // writes itself once the pipe is free again.
  HANDLE raw = CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, raw);
  // Connected once this first small frame arrives.
  ASSERT_TRUE(server_->Send(Op::kRunDocument, Mixed(-1)));
  std::vector<CefRefPtr<CefListValue>> sent;
  auto read_frames = [&](size_t count,
                         std::vector<CefRefPtr<CefListValue>>* received) {
    for (size_t i = 0; i < count; ++i) {
      Op op;
      CefRefPtr<CefListValue> args;
      ASSERT_NO_FATAL_FAILURE(ReadRawFrame(raw, &op, &args));
      // A raw peer takes no shared-memory link: the pipe carries all.
      if (op == Op::kLinkOffer)
        --i;
      else
        received->push_back(args);
    }
  };
  std::vector<CefRefPtr<CefListValue>> received;
  read_frames(1, &received);
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 6; ++i) {
      CefRefPtr<CefListValue> args = Mixed(round * 10 + i);
      std::string big(i % 2 ? 300 * 1024 : 10, static_cast<char>(i));
      args->SetBinary(3, CefBinaryValue::Create(big.data(), big.size()));
      sent.push_back(args);
      ASSERT_TRUE(server_->Send(Op::kProcessMessage, args));
    }
    read_frames(6, &received);
  }
  ASSERT_EQ(1 + sent.size(), received.size());
  EXPECT_TRUE(received[0]->IsEqual(Mixed(-1)));
  for (size_t i = 0; i < sent.size(); ++i)
    EXPECT_TRUE(received[i + 1]->IsEqual(sent[i])) << i;
  CloseHandle(raw);
}

TEST_F(PipeChannelTest, AStreamCrossesHandOversBetweenReadersWhole) {
  // The owner thread reads while its loop blocks and the reader thread
  // reads between: a stream sent from another thread across hundreds of
  // such hand-overs, frames bigger than the pipe among them, arrives whole
  // and in order.
  const int kCount = 2000;
  std::vector<CefRefPtr<CefListValue>> sent;
  for (int i = 0; i < kCount; ++i) {
    sent.push_back(Mixed(i));
    if (i % 200 == 100) {
      std::string big(70 * 1024 + i, static_cast<char>(i));
      sent.back()->SetBinary(3, CefBinaryValue::Create(big.data(), big.size()));
    }
  }
  std::atomic<bool> received_all{false};
  std::thread peer([&] {
    std::unique_ptr<PipeChannel> client = PipeChannel::Connect(name_, kWaitMs);
    if (!client)
      return;
    for (int i = 0; i < kCount; ++i) {
      client->Send(Op::kProcessMessage, sent[i]);
      if (i % 50 == 0)
        Sleep(1);
    }
    while (!received_all.load())
      Sleep(1);
  });
  const ULONGLONG give_up_at = GetTickCount64() + kWaitMs;
  while (server_recorder_.ops.size() < kCount &&
         GetTickCount64() < give_up_at) {
    MessageLoop::Current()->RunUntil([] { return false; }, 1);
    MessageLoop::Current()->RunUntilIdle();
  }
  received_all = true;
  peer.join();
  ASSERT_EQ(static_cast<size_t>(kCount), server_recorder_.ops.size());
  for (int i = 0; i < kCount; ++i)
    ASSERT_TRUE(server_recorder_.args[i]->IsEqual(sent[i])) << i;
  EXPECT_EQ(0, server_recorder_.closed);
}

TEST_F(PipeChannelTest, ABusyOwnerNeitherBlocksThePeerNorLosesBytes) {
  // Inside its loop, the owner thread reads the pipe itself; while a task
  // keeps it busy nobody reads, yet the peer's Send() must not block (here
  // it runs on that very thread) and every byte arrives afterwards.
  ConnectClient();
  ASSERT_TRUE(client_->Send(Op::kRunDocument, Mixed(-1)));
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.ops.size() == 1; }));
  std::vector<CefRefPtr<CefListValue>> sent;
  bool sent_all = false;
  MessageLoop::Current()->PostTask([&] {
    for (int i = 0; i < 16; ++i) {
      CefRefPtr<CefListValue> args = Mixed(i);
      std::string big(512 * 1024, static_cast<char>(i));
      args->SetBinary(3, CefBinaryValue::Create(big.data(), big.size()));
      sent.push_back(args);
      EXPECT_TRUE(client_->Send(Op::kProcessMessage, args));
    }
    sent_all = true;
  });
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.ops.size() == 17; }));
  EXPECT_TRUE(sent_all);
  for (size_t i = 0; i < sent.size(); ++i)
    EXPECT_TRUE(server_recorder_.args[i + 1]->IsEqual(sent[i])) << i;
}

TEST_F(PipeChannelTest, ClosingOverAPeerThatNeverReadsReturns) {
  HANDLE raw = CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, raw);
  std::string big(1024 * 1024, 'q');
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetBinary(0, CefBinaryValue::Create(big.data(), big.size()));
  // Far more than the pipe holds; Send() only queues.
  for (int i = 0; i < 8; ++i)
    EXPECT_TRUE(server_->Send(Op::kProcessMessage, args));
  server_.reset();
  CloseHandle(raw);
}

TEST_F(PipeChannelTest, ClosingOverAPeerThatNeverStopsWritingReturns) {
  // One write far larger than the pipe holds: every read finds bytes until
  // the channel stops reading. A channel that only looked for the close
  // while waiting would read all of it first.
  HANDLE raw = CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, raw);
  std::string flood;
  ASSERT_TRUE(Codec::Encode(Op::kConsoleMessage, Mixed(1), &flood));
  const uint32_t frame = 1024 * 1024;
  const size_t total = 128 * frame;
  flood.reserve(total);
  while (flood.size() + frame <= total) {
    // Framed, never decoded (version 0): dropped one by one.
    const uint32_t length = frame - Codec::kLengthSize;
    flood.append(reinterpret_cast<const char*>(&length), Codec::kLengthSize);
    flood.append(length, '\0');
  }
  DWORD written = 0;
  BOOL wrote_all = FALSE;
  std::thread peer([&] {
    wrote_all = WriteFile(raw, flood.data(), static_cast<DWORD>(flood.size()),
                          &written, nullptr);
  });
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.ops.size() == 1; }));
  server_.reset();
  peer.join();
  EXPECT_FALSE(wrote_all && written == flood.size());
  CloseHandle(raw);
}

CefRefPtr<CefListValue> MegabyteArgs() {
  const std::string block(1024 * 1024, 'm');
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetBinary(0, CefBinaryValue::Create(block.data(), block.size()));
  return args;
}

TEST_F(PipeChannelTest, APeerThatStopsReadingEndsTheChannelNotTheMemory) {
  HANDLE raw = CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, raw);
  // Twice what may wait for the peer; Send() refuses once the queue is full.
  const size_t limit = ChannelInbox::kMaxQueuedBytes / (1024 * 1024);
  CefRefPtr<CefListValue> args = MegabyteArgs();
  size_t sent = 0;
  while (sent < 2 * limit && server_->Send(Op::kProcessMessage, args))
    ++sent;
  EXPECT_LT(sent, 2 * limit);
  EXPECT_GE(sent, limit - 2);
  // The owner hears that the channel is over, as when the peer goes.
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.closed == 1; }));
  EXPECT_FALSE(server_->Send(Op::kShutdown, nullptr));
  CloseHandle(raw);
}

TEST_F(PipeChannelTest, APeerThatSendsFasterThanTheOwnerReadsIsCutOff) {
  // The owner runs no loop while the peer writes, so nothing is delivered
  // and everything read waits in the inbox.
  HANDLE raw = CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, raw);
  std::string frame;
  ASSERT_TRUE(Codec::Encode(Op::kProcessMessage, MegabyteArgs(), &frame));
  const size_t frames = 2 * ChannelInbox::kMaxQueuedBytes / frame.size();
  size_t written_frames = 0;
  std::thread peer([&] {
    DWORD moved = 0;
    while (written_frames < frames &&
           WriteFile(raw, frame.data(), static_cast<DWORD>(frame.size()),
                     &moved, nullptr) &&
           moved == frame.size()) {
      ++written_frames;
    }
  });
  peer.join();
  EXPECT_LT(written_frames, frames);
  ASSERT_TRUE(WaitFor([&] { return server_recorder_.closed == 1; }));
  EXPECT_LT(server_recorder_.ops.size(), frames);
  CloseHandle(raw);
}

// What a handle allows, as the system keeps it.
ACCESS_MASK GrantedAccess(HANDLE handle) {
  struct BasicInformation {
    ULONG attributes;
    ACCESS_MASK granted_access;
    ULONG rest[14];
  } info = {};
  typedef LONG(WINAPI * QueryObject)(HANDLE, int, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<QueryObject>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
  if (!query || query(handle, 0, &info, sizeof(info), nullptr) != 0)
    return 0;
  return info.granted_access;
}

TEST(RingLinkTest, TheOtherProcessGetsOnlyWhatTheRingsNeed) {
  // Offered to this process, as the pipe's client would be.
  std::unique_ptr<RingLink> made = RingLink::Create();
  ASSERT_TRUE(made);
  CefRefPtr<CefListValue> offer = CefListValue::Create();
  ASSERT_TRUE(made->OfferTo(GetCurrentProcessId(), offer));
  ASSERT_EQ(5u, offer->GetSize());
  auto handle = [&](int index) {
    return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(offer->GetInt(index)));
  };
  EXPECT_EQ(static_cast<ACCESS_MASK>(FILE_MAP_READ | FILE_MAP_WRITE),
            GrantedAccess(handle(0)));
  for (int i = 1; i < 5; ++i) {
    EXPECT_EQ(static_cast<ACCESS_MASK>(SYNCHRONIZE | EVENT_MODIFY_STATE),
              GrantedAccess(handle(i)))
        << i;
  }
  // Enough for the link itself: a frame crosses it.
  std::unique_ptr<RingLink> taken = RingLink::Take(offer);
  ASSERT_TRUE(taken);
  size_t moved = 0;
  ASSERT_TRUE(made->out()->Write("ring", 4, &moved));
  char got[4] = {};
  ASSERT_TRUE(taken->in()->Read(got, sizeof(got), &moved));
  EXPECT_EQ("ring", std::string(got, moved));
}

TEST(PipeChannelConnectTest, ServerWithoutClientTimesOut) {
  std::wstring name;
  std::unique_ptr<PipeChannel> server = PipeChannel::CreateServer(&name, 50);
  ASSERT_TRUE(server);
  Recorder recorder;
  server->SetDelegate(&recorder);
  ASSERT_TRUE(WaitFor([&] { return recorder.closed == 1; }));
  EXPECT_FALSE(server->Send(Op::kShutdown, nullptr));
}

TEST(PipeChannelConnectTest, ClientGivesUpOnMissingOrTakenPipe) {
  EXPECT_FALSE(PipeChannel::Connect(L"\\\\.\\pipe\\kxcef-none-0", 50));
  std::wstring name;
  std::unique_ptr<PipeChannel> server = PipeChannel::CreateServer(&name);
  server->AcceptOnlyClient(GetCurrentProcessId());
  std::unique_ptr<PipeChannel> first = PipeChannel::Connect(name, kWaitMs);
  ASSERT_TRUE(first);
  EXPECT_FALSE(PipeChannel::Connect(name, 50));
}

TEST(PipeChannelConnectTest, NamesAreUnique) {
  std::wstring a, b;
  std::unique_ptr<PipeChannel> first = PipeChannel::CreateServer(&a);
  std::unique_ptr<PipeChannel> second = PipeChannel::CreateServer(&b);
  ASSERT_TRUE(first && second);
  EXPECT_NE(a, b);
}

}  // namespace
}  // namespace cef_internal
