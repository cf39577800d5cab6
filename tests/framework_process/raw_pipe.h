// Plays one end of the framework's pipe by hand: frames laid out as the
// codec lays them, written and read on an overlapped pipe handle, so that
// tests can send what a correct peer never would.
#ifndef TESTS_FRAMEWORK_PROCESS_RAW_PIPE_H_
#define TESTS_FRAMEWORK_PROCESS_RAW_PIPE_H_

#include <windows.h>

#include <string>

#include "src/channel/channel.h"

namespace process_test {

class RawPipe {
 public:
  // A server end with a fresh name, waiting for its client.
  static RawPipe CreateServer();
  // The client end of |name|.
  static RawPipe Connect(const std::wstring& name);

  RawPipe(RawPipe&& other);
  RawPipe& operator=(RawPipe&& other) = delete;
  ~RawPipe();

  bool valid() const { return pipe_ != INVALID_HANDLE_VALUE; }
  const std::wstring& name() const { return name_; }
  // Server: waits for the client to connect.
  bool WaitForClient(int timeout_ms);
  void Close();

  bool WriteBytes(const std::string& bytes);
  bool WriteOp(cef_internal::Op op, CefRefPtr<CefListValue> args);
  // The next frame that decodes; false when the pipe broke or nothing came
  // within |timeout_ms|.
  bool ReadOp(cef_internal::Op* op,
              CefRefPtr<CefListValue>* args,
              int timeout_ms);
  // Reads until a frame with |op| comes; its arguments, or null.
  CefRefPtr<CefListValue> ReadUntil(cef_internal::Op op, int timeout_ms);

  // The frame for |payload|, with its length prefix.
  static std::string Frame(const std::string& payload);
  // A whole valid frame.
  static std::string Encode(cef_internal::Op op, CefRefPtr<CefListValue> args);

 private:
  RawPipe(HANDLE pipe, const std::wstring& name);
  bool ReadExact(char* buffer, DWORD size, ULONGLONG deadline);
  bool Finish(OVERLAPPED* ov, DWORD timeout_ms, DWORD* moved);

  HANDLE pipe_;
  std::wstring name_;
};

// Frames that must each be dropped whole by a receiver, which then goes on
// with the next frame: a wrong version, ops out of range or unknown, a
// truncated list, lengths that overrun the payload, bytes after the list,
// an empty payload, nesting past the limit, and the largest frame there is
// made of one-byte values. Those naming a browser name |browser_id|.
std::string MalformedFrames(int browser_id);

}  // namespace process_test

#endif  // TESTS_FRAMEWORK_PROCESS_RAW_PIPE_H_
