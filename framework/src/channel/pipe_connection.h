// One end of the named pipe: made and listened on (server) or opened
// (client), and on the server the check that the client is the process the
// pipe was made for. The handle is the pipe's for reads and writes alike;
// the writer thread closes it last (see PipeWriter), once no read uses it.
#ifndef FRAMEWORK_SRC_CHANNEL_PIPE_CONNECTION_H_
#define FRAMEWORK_SRC_CHANNEL_PIPE_CONNECTION_H_

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "src/channel/overlapped.h"

namespace cef_internal {

class PipeConnection {
 public:
  // Both directions of the pipe buffer this much, and one read takes up to
  // as much.
  static const DWORD kBufferSize = 64 * 1024;

  // A pipe with a name no other process can guess, open to the current user
  // only and to no remote client. Null when none could be made.
  static std::unique_ptr<PipeConnection> CreateServer(std::wstring* pipe_name,
                                                      int connect_timeout_ms);
  // Opens |pipe_name|, waiting up to |timeout_ms| for it to exist and be
  // free. Null on failure.
  static std::unique_ptr<PipeConnection> Connect(const std::wstring& pipe_name,
                                                 int timeout_ms);

  ~PipeConnection();
  PipeConnection(const PipeConnection&) = delete;
  PipeConnection& operator=(const PipeConnection&) = delete;

  HANDLE pipe() const { return pipe_; }
  bool is_server() const { return is_server_; }

  // Any thread: names the one process whose connection is taken.
  void AcceptOnlyClient(DWORD process_id);
  DWORD expected_client() const { return expected_client_.load(); }

  // Server, reader thread: waits for the client AcceptOnlyClient() names; a
  // client of any other process is disconnected and the pipe listens again.
  // False on |stop| or when the connect time runs out first.
  bool AcceptExpectedClient(Overlapped* ov, HANDLE stop);

  // Waits for pending I/O on |ov|, giving up after |timeout_ms| or when
  // |stop| (if not null) is set; then the I/O is cancelled. Returns the
  // bytes moved, or -1.
  long Finish(Overlapped* ov, DWORD timeout_ms, HANDLE stop);

  // Closing is what tells the peer this end is gone.
  void Close();

 private:
  PipeConnection(HANDLE pipe, bool is_server, int connect_timeout_ms);

  // Set on creation; closed once, by the writer thread after the readers.
  HANDLE pipe_;
  const bool is_server_;
  const int connect_timeout_ms_;
  // Server: set once |expected_client_| holds the launched process's id.
  const HANDLE client_known_;
  std::atomic<DWORD> expected_client_{0};
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_PIPE_CONNECTION_H_
