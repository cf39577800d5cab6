// The render-process pipe against other local processes: names nobody can
// guess, an access list for the current user alone, and a client of the
// wrong process sent away before anything is read or written.
#include "src/channel/pipe_security.h"

#include <memory>
#include <set>
#include <string>

#include "gtest/gtest.h"
#include "src/channel/codec.h"
#include "src/channel/pipe_channel.h"
#include "src/core/message_loop.h"

namespace cef_internal {
namespace {

TEST(PipeSecurityTest, NamesCarryOneHundredTwentyEightRandomBits) {
  const std::wstring prefix =
      L"\\\\.\\pipe\\kxcef-" + std::to_wstring(GetCurrentProcessId()) + L"-";
  std::set<std::wstring> seen;
  for (int i = 0; i < 200; ++i) {
    std::wstring name;
    ASSERT_TRUE(PipeSecurity::NewPipeName(&name));
    ASSERT_EQ(0u, name.find(prefix));
    std::wstring random = name.substr(prefix.size());
    ASSERT_EQ(32u, random.size());
    EXPECT_EQ(std::wstring::npos,
              random.find_first_not_of(L"0123456789abcdef"));
    seen.insert(random);
  }
  EXPECT_EQ(200u, seen.size());
}

TEST(PipeSecurityTest, AccessListAdmitsTheCurrentUserAlone) {
  PipeSecurity security;
  ASSERT_TRUE(security.attributes());
  BOOL present = FALSE, defaulted = FALSE;
  ACL* acl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(
      security.attributes()->lpSecurityDescriptor, &present, &acl, &defaulted));
  ASSERT_TRUE(present);
  // A null list would admit everyone.
  ASSERT_TRUE(acl);
  ASSERT_EQ(1, acl->AceCount);
  ACCESS_ALLOWED_ACE* ace = nullptr;
  ASSERT_TRUE(GetAce(acl, 0, reinterpret_cast<void**>(&ace)));
  EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  BYTE buffer[256];
  DWORD size = 0;
  ASSERT_TRUE(
      GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size));
  CloseHandle(token);
  EXPECT_TRUE(EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid,
                       reinterpret_cast<PSID>(&ace->SidStart)));
}

class Recorder : public Channel::Delegate {
 public:
  void OnChannelMessage(Op op, CefRefPtr<CefListValue> args) override {
    ++messages;
  }
  void OnChannelClosed() override { ++closed; }
  int messages = 0;
  int closed = 0;
};

TEST(PipeSecurityTest, AClientOfAnotherProcessIsSentAwayUnheard) {
  std::wstring name;
  std::unique_ptr<PipeChannel> server = PipeChannel::CreateServer(&name, 1500);
  ASSERT_TRUE(server);
  Recorder recorder;
  server->SetDelegate(&recorder);
  ASSERT_TRUE(server->Send(Op::kShutdown, nullptr));
  // This process connects first, while the pipe expects some other one.
  HANDLE intruder = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, intruder);
  std::string forged;
  ASSERT_TRUE(
      Codec::Encode(Op::kCloseBrowser, CefListValue::Create(), &forged));
  DWORD moved = 0;
  WriteFile(intruder, forged.data(), static_cast<DWORD>(forged.size()), &moved,
            nullptr);
  server->AcceptOnlyClient(GetCurrentProcessId() + 4);
  // The intruder reads nothing of what was queued: its end is cut off.
  char byte;
  EXPECT_FALSE(ReadFile(intruder, &byte, 1, &moved, nullptr));
  EXPECT_EQ(0u, moved);
  CloseHandle(intruder);
  // Nobody else comes within the connect time: the channel closes unheard.
  ASSERT_TRUE(MessageLoop::Current()->RunUntil(
      [&] { return recorder.closed == 1; }, 10000));
  EXPECT_EQ(0, recorder.messages);
}

}  // namespace
}  // namespace cef_internal
