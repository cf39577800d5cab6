// A render process against a browser end played by hand: how it starts,
// what it drops, and how it ends when the browser end misbehaves or goes.
#include <stdio.h>

#include <random>
#include <string>

#include "src/browser/child_process_switches.h"
#include "src/renderer/render_process.h"
#include "tests/framework_core/fuzz_settings.h"
#include "tests/framework_process/process_test_support.h"
#include "tests/framework_process/raw_pipe.h"

namespace process_test {
namespace {

using cef_internal::Op;

constexpr int kBrowserId = 7;

class RawWireTest : public testing::Test {
 protected:
  RawWireTest() : pipe_(RawPipe::CreateServer()) {}

  // Launches a render process on |pipe_| and announces one browser.
  void StartRenderer() {
    ASSERT_TRUE(pipe_.valid());
    renderer_ = ProcessWatch::LaunchSelf(
        L"--type=renderer --" +
        CefString(cef_internal::kChannelSwitch).ToWString() + L"=" +
        pipe_.name());
    ASSERT_TRUE(renderer_->valid());
    ASSERT_TRUE(pipe_.WaitForClient(kWaitMs));
    CefRefPtr<CefListValue> extra = CefListValue::Create();
    extra->SetString(0, "raw extra");
    CefRefPtr<CefListValue> start = CefListValue::Create();
    start->SetList(0, extra);
    ASSERT_TRUE(pipe_.WriteOp(Op::kRenderThreadCreated, start));
    CefRefPtr<CefListValue> created = CefListValue::Create();
    created->SetInt(0, kBrowserId);
    created->SetBool(1, false);
    ASSERT_TRUE(pipe_.WriteOp(Op::kBrowserCreated, created));
  }

  // The arguments of the next process message named |name|, or null.
  CefRefPtr<CefListValue> ReadMessage(const std::string& name) {
    for (;;) {
      CefRefPtr<CefListValue> args =
          pipe_.ReadUntil(Op::kProcessMessage, kWaitMs);
      if (!args || Utf8(args->GetString(1)) == name)
        return args ? args->GetList(2) : nullptr;
    }
  }

  bool SendEcho(const std::string& text) {
    CefRefPtr<CefListValue> payload = CefListValue::Create();
    payload->SetString(0, text);
    CefRefPtr<CefListValue> message = CefListValue::Create();
    message->SetInt(0, kBrowserId);
    message->SetString(1, "echo");
    message->SetList(2, payload);
    return pipe_.WriteOp(Op::kProcessMessage, message);
  }

  RawPipe pipe_;
  std::unique_ptr<ProcessWatch> renderer_;
};

TEST_F(RawWireTest, StartOpBringsTheExtraInfoAndShutdownEndsWithZero) {
  StartRenderer();
  CefRefPtr<CefListValue> hello = ReadMessage("render-hello");
  ASSERT_TRUE(hello);
  EXPECT_EQ("raw extra", Utf8(hello->GetString(2)));
  ASSERT_TRUE(pipe_.WriteOp(Op::kShutdown, CefListValue::Create()));
  ASSERT_TRUE(renderer_->WaitForEnd());
  EXPECT_EQ(0u, renderer_->exit_code());
}

TEST_F(RawWireTest, MalformedFramesAreDroppedAndTheNextOneIsRead) {
  StartRenderer();
  ASSERT_TRUE(ReadMessage("render-hello"));
  ASSERT_TRUE(pipe_.WriteBytes(MalformedFrames(kBrowserId)));
  ASSERT_TRUE(SendEcho("after"));
  CefRefPtr<CefListValue> reply = ReadMessage("echo-reply");
  ASSERT_TRUE(reply) << "render process ended with " << renderer_->exit_code();
  // The garbage "echo" frames were dropped, not answered.
  EXPECT_EQ("after", Utf8(reply->GetString(0)));
  EXPECT_FALSE(renderer_->Ended());
}

TEST_F(RawWireTest, RandomlyDamagedFramesAreSurvived) {
  StartRenderer();
  ASSERT_TRUE(ReadMessage("render-hello"));
  CefRefPtr<CefListValue> inner = CefListValue::Create();
  inner->SetString(0, "damaged");
  inner->SetDictionary(1, CefDictionaryValue::Create());
  inner->GetDictionary(1)->SetInt("k", 1);
  inner->SetList(2, CefListValue::Create());
  CefRefPtr<CefListValue> message = CefListValue::Create();
  message->SetInt(0, kBrowserId);
  message->SetString(1, "echo");
  message->SetList(2, inner);
  const std::string valid =
      RawPipe::Encode(Op::kProcessMessage, message).substr(4);
  // The header (version and op) stays: every frame that still decodes is a
  // process message with damaged arguments for the render side to handle.
  const uint32_t seed = fuzz_test::FuzzSeed();
  std::mt19937 random(seed);
  const uint32_t inputs = fuzz_test::FuzzInputs(2000);
  std::string frames;
  for (uint32_t n = 0; n < inputs; ++n) {
    std::string payload = valid;
    for (int flips = 1 + random() % 4; flips > 0; --flips)
      payload[5 + random() % (payload.size() - 5)] =
          static_cast<char>(random());
    if (random() % 4 == 0)
      payload.resize(5 + random() % (payload.size() - 5));
    frames += RawPipe::Frame(payload);
  }
  ASSERT_TRUE(pipe_.WriteBytes(frames));
  ASSERT_TRUE(SendEcho("after the damage"));
  bool answered = false;
  while (!answered) {
    CefRefPtr<CefListValue> reply = ReadMessage("echo-reply");
    ASSERT_TRUE(reply) << "seed " << seed << ", render process ended with "
                       << renderer_->exit_code();
    answered = reply->GetType(0) == VTYPE_STRING &&
               Utf8(reply->GetString(0)) == "after the damage";
  }
  printf("damaged frames into a render process: seed %u, %u frames\n", seed,
         inputs);
  EXPECT_FALSE(renderer_->Ended());
}

TEST_F(RawWireTest, ImpossibleLengthEndsTheRenderProcessAsIfTheBrowserWent) {
  StartRenderer();
  ASSERT_TRUE(ReadMessage("render-hello"));
  ASSERT_TRUE(pipe_.WriteBytes(std::string(4, '\xFF')));
  ASSERT_TRUE(renderer_->WaitForEnd());
  EXPECT_EQ(static_cast<DWORD>(cef_internal::kBrowserProcessLostExitCode),
            renderer_->exit_code());
}

TEST_F(RawWireTest, ClosedPipeEndsTheRenderProcessWithExitCode2) {
  StartRenderer();
  ASSERT_TRUE(ReadMessage("render-hello"));
  pipe_.Close();
  ASSERT_TRUE(renderer_->WaitForEnd());
  EXPECT_EQ(static_cast<DWORD>(cef_internal::kBrowserProcessLostExitCode),
            renderer_->exit_code());
}

TEST(RenderProcessStartTest, WithoutAUsableChannelTheProcessEndsAtOnce) {
  const wchar_t* const kBadStarts[] = {
      L"--type=renderer",
      L"--type=renderer --kx-channel=C:\\windows\\win.ini",
      L"--type=renderer --kx-channel=\\\\.\\pipe\\kxtest-nobody-listens",
  };
  for (const wchar_t* switches : kBadStarts) {
    std::unique_ptr<ProcessWatch> process = ProcessWatch::LaunchSelf(switches);
    ASSERT_TRUE(process->valid());
    ASSERT_TRUE(process->WaitForEnd()) << CefString(switches).ToString();
    EXPECT_EQ(static_cast<DWORD>(cef_internal::kNoChannelExitCode),
              process->exit_code())
        << CefString(switches).ToString();
  }
  std::unique_ptr<ProcessWatch> utility =
      ProcessWatch::LaunchSelf(L"--type=utility");
  ASSERT_TRUE(utility->WaitForEnd());
  EXPECT_EQ(static_cast<DWORD>(cef_internal::kUnsupportedProcessTypeExitCode),
            utility->exit_code());
  // A GPU process without a browser process to outlive.
  std::unique_ptr<ProcessWatch> gpu =
      ProcessWatch::LaunchSelf(L"--type=gpu-process");
  ASSERT_TRUE(gpu->WaitForEnd());
  EXPECT_EQ(static_cast<DWORD>(cef_internal::kNoChannelExitCode),
            gpu->exit_code());
}

}  // namespace
}  // namespace process_test
