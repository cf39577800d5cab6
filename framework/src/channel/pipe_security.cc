#include "src/channel/pipe_security.h"

#include <bcrypt.h>

namespace cef_internal {

namespace {

constexpr size_t kRandomBytes = 16;

std::vector<BYTE> CurrentUser() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
    return {};
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  if (!size ||
      !GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
    user.clear();
  }
  CloseHandle(token);
  return user;
}

}  // namespace

PipeSecurity::PipeSecurity() {
  ZeroMemory(&attributes_, sizeof(attributes_));
  user_ = CurrentUser();
  if (user_.empty())
    return;
  PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
  if (!IsValidSid(sid))
    return;
  const DWORD acl_size = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) +
                         GetLengthSid(sid) - sizeof(DWORD);
  acl_.resize(acl_size);
  ACL* acl = reinterpret_cast<ACL*>(acl_.data());
  // One entry: the user, with full access. Nobody else is named, so nobody
  // else gets in.
  if (!InitializeAcl(acl, acl_size, ACL_REVISION) ||
      !AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, sid) ||
      !InitializeSecurityDescriptor(&descriptor_,
                                    SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE)) {
    return;
  }
  attributes_.nLength = sizeof(attributes_);
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
  valid_ = true;
}

// static
bool PipeSecurity::NewPipeName(std::wstring* name) {
  BYTE random[kRandomBytes];
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, random, sizeof(random),
                                      BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    return false;
  }
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring text =
      L"\\\\.\\pipe\\kxcef-" + std::to_wstring(GetCurrentProcessId()) + L"-";
  for (BYTE byte : random) {
    text.push_back(kHex[byte >> 4]);
    text.push_back(kHex[byte & 0xF]);
  }
  *name = text;
  return true;
}

}  // namespace cef_internal
