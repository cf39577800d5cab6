#include "src/channel/pipe_connection.h"

#include "src/channel/pipe_security.h"

namespace cef_internal {

namespace {

const int kMaxNameAttempts = 100;

ULONGLONG Now() {
  return GetTickCount64();
}

}  // namespace

// static
std::unique_ptr<PipeConnection> PipeConnection::CreateServer(
    std::wstring* pipe_name,
    int connect_timeout_ms) {
  PipeSecurity security;
  if (!security.attributes())
    return nullptr;
  for (int i = 0; i < kMaxNameAttempts; ++i) {
    std::wstring name;
    if (!PipeSecurity::NewPipeName(&name))
      return nullptr;
    // The first instance, or the name is someone else's already.
    HANDLE pipe =
        CreateNamedPipeW(name.c_str(),
                         PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED |
                             FILE_FLAG_FIRST_PIPE_INSTANCE,
                         PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT |
                             PIPE_REJECT_REMOTE_CLIENTS,
                         1, kBufferSize, kBufferSize, 0, security.attributes());
    if (pipe != INVALID_HANDLE_VALUE) {
      *pipe_name = name;
      return std::unique_ptr<PipeConnection>(
          new PipeConnection(pipe, true, connect_timeout_ms));
    }
  }
  return nullptr;
}

// static
std::unique_ptr<PipeConnection> PipeConnection::Connect(
    const std::wstring& pipe_name,
    int timeout_ms) {
  const ULONGLONG deadline = Now() + (timeout_ms > 0 ? timeout_ms : 0);
  for (;;) {
    HANDLE pipe =
        CreateFileW(pipe_name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (pipe != INVALID_HANDLE_VALUE)
      return std::unique_ptr<PipeConnection>(
          new PipeConnection(pipe, false, -1));
    DWORD error = GetLastError();
    ULONGLONG now = Now();
    if (now >= deadline ||
        (error != ERROR_PIPE_BUSY && error != ERROR_FILE_NOT_FOUND))
      return nullptr;
    DWORD wait = static_cast<DWORD>(deadline - now);
    if (error == ERROR_PIPE_BUSY)
      WaitNamedPipeW(pipe_name.c_str(), wait < 100 ? wait : 100);
    else
      Sleep(wait < 20 ? wait : 20);
  }
}

PipeConnection::PipeConnection(HANDLE pipe,
                               bool is_server,
                               int connect_timeout_ms)
    : pipe_(pipe),
      is_server_(is_server),
      connect_timeout_ms_(connect_timeout_ms),
      client_known_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

PipeConnection::~PipeConnection() {
  Close();
  CloseHandle(client_known_);
}

void PipeConnection::AcceptOnlyClient(DWORD process_id) {
  expected_client_.store(process_id);
  SetEvent(client_known_);
}

bool PipeConnection::AcceptExpectedClient(Overlapped* ov, HANDLE stop) {
  const ULONGLONG deadline =
      connect_timeout_ms_ < 0 ? 0 : Now() + connect_timeout_ms_;
  auto time_left = [deadline]() -> DWORD {
    if (!deadline)
      return INFINITE;
    ULONGLONG now = Now();
    return deadline > now ? static_cast<DWORD>(deadline - now) : 0;
  };
  for (;;) {
    ResetEvent(ov->event());
    if (!ConnectNamedPipe(pipe_, ov->get())) {
      DWORD error = GetLastError();
      if (error == ERROR_IO_PENDING) {
        if (Finish(ov, time_left(), stop) < 0)
          return false;
      } else if (error != ERROR_PIPE_CONNECTED && error != ERROR_NO_DATA) {
        // ERROR_NO_DATA: the client came, wrote and left before this thread
        // got here. What it wrote can still be read, and its process id is
        // still known.
        return false;
      }
    }
    HANDLE verdict[2] = {client_known_, stop};
    if (WaitForMultipleObjects(2, verdict, FALSE, time_left()) !=
        WAIT_OBJECT_0) {
      return false;
    }
    ULONG client = 0;
    if (GetNamedPipeClientProcessId(pipe_, &client) &&
        client == expected_client_.load()) {
      return true;
    }
    // Someone else got here first: they leave with nothing read or written,
    // and the pipe is free for the process it was made for.
    DisconnectNamedPipe(pipe_);
  }
}

long PipeConnection::Finish(Overlapped* ov, DWORD timeout_ms, HANDLE stop) {
  HANDLE handles[2] = {ov->event(), stop};
  DWORD result =
      WaitForMultipleObjects(stop ? 2 : 1, handles, FALSE, timeout_ms);
  DWORD moved = 0;
  if (result != WAIT_OBJECT_0) {
    CancelIoEx(pipe_, ov->get());
    GetOverlappedResult(pipe_, ov->get(), &moved, TRUE);
    return -1;
  }
  if (!GetOverlappedResult(pipe_, ov->get(), &moved, FALSE))
    return -1;
  return static_cast<long>(moved);
}

void PipeConnection::Close() {
  if (pipe_ == INVALID_HANDLE_VALUE)
    return;
  CloseHandle(pipe_);
  pipe_ = INVALID_HANDLE_VALUE;
}

}  // namespace cef_internal
