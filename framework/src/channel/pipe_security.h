// What keeps another local process out of a render process's pipe: a name
// it cannot guess, an access list that admits only the user the browser
// process runs as, and (in PipeChannel) a check that the client that
// connected is the process that was launched for it.
#ifndef FRAMEWORK_SRC_CHANNEL_PIPE_SECURITY_H_
#define FRAMEWORK_SRC_CHANNEL_PIPE_SECURITY_H_

#include <windows.h>

#include <string>
#include <vector>

namespace cef_internal {

class PipeSecurity {
 public:
  // Builds the access list for the current user; attributes() is null when
  // that failed.
  PipeSecurity();
  PipeSecurity(const PipeSecurity&) = delete;
  PipeSecurity& operator=(const PipeSecurity&) = delete;

  // For CreateNamedPipeW: only the current user may open the pipe.
  SECURITY_ATTRIBUTES* attributes() { return valid_ ? &attributes_ : nullptr; }

  // "\\.\pipe\kxcef-<this process's id>-<128 random bits in hex>", the
  // random part from the system's cryptographic generator. False (and no
  // name) when the generator failed.
  static bool NewPipeName(std::wstring* name);

 private:
  bool valid_ = false;
  std::vector<BYTE> user_;  // TOKEN_USER, which holds the user's SID
  std::vector<BYTE> acl_;
  SECURITY_DESCRIPTOR descriptor_;
  SECURITY_ATTRIBUTES attributes_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_PIPE_SECURITY_H_
