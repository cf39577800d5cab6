#include "src/channel/in_memory_channel.h"

#include <memory>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "src/core/message_loop.h"

namespace cef_internal {
namespace {

class RecordingDelegate : public Channel::Delegate {
 public:
  void OnChannelMessage(Op op, CefRefPtr<CefListValue> args) override {
    EXPECT_FALSE(in_send_) << "delivered re-entrantly";
    ops.push_back(op);
    this->args.push_back(args);
    if (on_message)
      on_message();
  }
  void OnChannelClosed() override { ++closed; }

  void set_in_send(bool in_send) { in_send_ = in_send; }

  std::vector<Op> ops;
  std::vector<CefRefPtr<CefListValue>> args;
  int closed = 0;
  std::function<void()> on_message;

 private:
  bool in_send_ = false;
};

CefRefPtr<CefListValue> IntList(int value) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, value);
  return list;
}

class InMemoryChannelTest : public testing::Test {
 protected:
  void SetUp() override {
    InMemoryChannel::CreatePair(&a_, &b_);
    a_->SetDelegate(&a_delegate_);
    b_->SetDelegate(&b_delegate_);
  }
  void Pump() { MessageLoop::Current()->RunUntilIdle(); }

  std::unique_ptr<Channel> a_, b_;
  RecordingDelegate a_delegate_, b_delegate_;
};

TEST_F(InMemoryChannelTest, DeliversCopiesInOrderLater) {
  CefRefPtr<CefListValue> args = IntList(1);
  b_delegate_.set_in_send(true);
  EXPECT_TRUE(a_->Send(Op::kBrowserCreated, args));
  EXPECT_TRUE(a_->Send(Op::kRunDocument, IntList(2)));
  EXPECT_TRUE(a_->Send(Op::kShutdown, nullptr));
  b_delegate_.set_in_send(false);
  args->SetInt(0, 99);  // after sending: the receiver must not see it
  EXPECT_TRUE(b_delegate_.ops.empty());
  Pump();
  ASSERT_EQ(3u, b_delegate_.ops.size());
  EXPECT_EQ(Op::kBrowserCreated, b_delegate_.ops[0]);
  EXPECT_EQ(Op::kRunDocument, b_delegate_.ops[1]);
  EXPECT_EQ(Op::kShutdown, b_delegate_.ops[2]);
  EXPECT_EQ(1, b_delegate_.args[0]->GetInt(0));
  EXPECT_EQ(2, b_delegate_.args[1]->GetInt(0));
  ASSERT_TRUE(b_delegate_.args[2]);
  EXPECT_EQ(0u, b_delegate_.args[2]->GetSize());
  EXPECT_TRUE(a_delegate_.ops.empty());
}

TEST_F(InMemoryChannelTest, BurstLeavesTheLoopItsTurn) {
  constexpr int kBurst = 1000;
  for (int i = 0; i < kBurst; ++i)
    a_->Send(Op::kRunDocument, IntList(i));
  // A task posted while the burst is being delivered runs before its end:
  // one delivery task must not hold the thread for the whole backlog.
  size_t delivered_when_task_ran = 0;
  b_delegate_.on_message = [&] {
    if (b_delegate_.ops.size() != 1)
      return;
    MessageLoop::Current()->PostTask(
        [&] { delivered_when_task_ran = b_delegate_.ops.size(); });
  };
  Pump();
  ASSERT_EQ(static_cast<size_t>(kBurst), b_delegate_.ops.size());
  EXPECT_GT(delivered_when_task_ran, 0u);
  EXPECT_LT(delivered_when_task_ran, static_cast<size_t>(kBurst));
  for (int i = 0; i < kBurst; ++i)
    ASSERT_EQ(i, b_delegate_.args[i]->GetInt(0));
}

TEST_F(InMemoryChannelTest, InvalidatedArgumentsAreRefused) {
  CefRefPtr<CefListValue> parent = CefListValue::Create();
  parent->SetList(0, CefListValue::Create());
  CefRefPtr<CefListValue> child = parent->GetList(0);
  parent->Clear();
  EXPECT_FALSE(a_->Send(Op::kRunDocument, child));
  Pump();
  EXPECT_TRUE(b_delegate_.ops.empty());
}

TEST_F(InMemoryChannelTest, RepliesFromDelegateKeepOrder) {
  b_delegate_.on_message = [this] {
    b_->Send(Op::kDocumentLoaded, IntList(b_delegate_.args.back()->GetInt(0)));
  };
  for (int i = 0; i < 5; ++i)
    a_->Send(Op::kRunDocument, IntList(i));
  Pump();
  ASSERT_EQ(5u, a_delegate_.args.size());
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(i, a_delegate_.args[i]->GetInt(0));
}

TEST_F(InMemoryChannelTest, CloseNotifiesPeerAfterPendingMessages) {
  a_->Send(Op::kRunDocument, IntList(1));
  a_->Close();
  EXPECT_FALSE(a_->Send(Op::kRunDocument, IntList(2)));
  EXPECT_FALSE(b_->Send(Op::kDocumentLoaded, IntList(3)));
  Pump();
  EXPECT_EQ(1u, b_delegate_.ops.size());
  EXPECT_EQ(1, b_delegate_.closed);
  EXPECT_EQ(0, a_delegate_.closed);
  b_->Close();
  Pump();
  EXPECT_EQ(1, b_delegate_.closed);
  EXPECT_EQ(0, a_delegate_.closed);
}

TEST_F(InMemoryChannelTest, DestroyedEndDropsPostedDeliveries) {
  b_->Send(Op::kDocumentLoaded, IntList(1));
  a_.reset();  // a delivery to the destroyed end is still posted
  Pump();
  EXPECT_TRUE(a_delegate_.ops.empty());
  EXPECT_EQ(1, b_delegate_.closed);
}

TEST_F(InMemoryChannelTest, DelegateMayDestroyItsEndWhileMessagesWait) {
  b_delegate_.on_message = [this] { b_.reset(); };
  a_->Send(Op::kRunDocument, IntList(1));
  a_->Send(Op::kRunDocument, IntList(2));
  Pump();
  EXPECT_EQ(1u, b_delegate_.ops.size());
  EXPECT_EQ(1, a_delegate_.closed);
}

TEST(InMemoryChannelDelegateTest, MessagesWaitForALateDelegate) {
  std::unique_ptr<Channel> a, b;
  InMemoryChannel::CreatePair(&a, &b);
  a->Send(Op::kBrowserCreated, IntList(7));
  a->Close();
  MessageLoop::Current()->RunUntilIdle();
  RecordingDelegate delegate;
  b->SetDelegate(&delegate);
  EXPECT_TRUE(delegate.ops.empty());
  MessageLoop::Current()->RunUntilIdle();
  ASSERT_EQ(1u, delegate.ops.size());
  EXPECT_EQ(7, delegate.args[0]->GetInt(0));
  EXPECT_EQ(1, delegate.closed);
}

TEST(InMemoryChannelThreadsTest, EndsOnTwoLoopsDeliverOnTheirOwnThreads) {
  MessageLoop* main_loop = MessageLoop::Current();
  std::unique_ptr<Channel> a, b;
  DWORD delivered_on = 0;
  struct Echo : Channel::Delegate {
    Channel* channel = nullptr;
    DWORD* delivered_on = nullptr;
    void OnChannelMessage(Op op, CefRefPtr<CefListValue> args) override {
      *delivered_on = GetCurrentThreadId();
      channel->Send(Op::kDocumentLoaded, args);
      MessageLoop::Current()->Quit();
    }
    void OnChannelClosed() override {}
  };
  MessageLoop* worker_loop = nullptr;
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD worker_id = 0;
  std::thread worker([&] {
    worker_loop = MessageLoop::Current();
    worker_id = GetCurrentThreadId();
    SetEvent(ready);
    WaitForSingleObject(go, INFINITE);
    Echo echo;
    echo.channel = b.get();
    echo.delivered_on = &delivered_on;
    b->SetDelegate(&echo);
    worker_loop->Run();
    b.reset();
  });
  WaitForSingleObject(ready, INFINITE);
  InMemoryChannel::CreatePairOnLoops(main_loop, worker_loop, &a, &b);
  RecordingDelegate delegate;
  a->SetDelegate(&delegate);
  SetEvent(go);
  a->Send(Op::kRunDocument, IntList(5));
  main_loop->RunUntil([&] { return delegate.closed == 1; }, 5000);
  worker.join();
  EXPECT_EQ(worker_id, delivered_on);
  ASSERT_EQ(1u, delegate.args.size());
  EXPECT_EQ(5, delegate.args[0]->GetInt(0));
  EXPECT_EQ(1, delegate.closed);
  CloseHandle(ready);
  CloseHandle(go);
}

}  // namespace
}  // namespace cef_internal
