#include "tests/framework_process/raw_pipe.h"

#include <atomic>
#include <utility>

#include "src/channel/codec.h"

namespace process_test {

using cef_internal::Codec;
using cef_internal::Op;

namespace {

std::atomic<int> g_pipe_counter{0};

class Event {
 public:
  Event() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Event() { CloseHandle(event_); }
  HANDLE get() const { return event_; }

 private:
  HANDLE event_;
};

void PutU32(uint32_t value, std::string* out) {
  for (int i = 0; i < 4; ++i)
    out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The payload (no length prefix) of a valid frame.
std::string Payload(Op op, CefRefPtr<CefListValue> args) {
  return RawPipe::Encode(op, args).substr(Codec::kLengthSize);
}

}  // namespace

std::string MalformedFrames(int browser_id) {
  CefRefPtr<CefListValue> message = CefListValue::Create();
  message->SetInt(0, browser_id);
  message->SetString(1, "echo");
  CefRefPtr<CefListValue> inner = CefListValue::Create();
  inner->SetString(0, "garbage");
  message->SetList(2, inner);
  const std::string valid = Payload(Op::kProcessMessage, message);

  std::string frames;
  std::string bad_version = valid;
  bad_version[0] = 99;
  frames += RawPipe::Frame(bad_version);
  frames += RawPipe::Frame(Payload(static_cast<Op>(0), message));
  frames += RawPipe::Frame(Payload(static_cast<Op>(70000), message));
  // Decodes, but no receiver knows the op: ignored.
  frames += RawPipe::Frame(Payload(static_cast<Op>(999), message));
  frames += RawPipe::Frame(valid.substr(0, valid.size() - 3));
  frames += RawPipe::Frame(valid + "x");
  frames += RawPipe::Frame(std::string());
  // A list claiming a billion values, and a string claiming more units
  // than the frame holds.
  std::string huge_list(1, static_cast<char>(Codec::kVersion));
  PutU32(static_cast<uint32_t>(Op::kProcessMessage), &huge_list);
  huge_list.push_back(6);  // list
  PutU32(1000000000u, &huge_list);
  frames += RawPipe::Frame(huge_list);
  std::string long_string(1, static_cast<char>(Codec::kVersion));
  PutU32(static_cast<uint32_t>(Op::kProcessMessage), &long_string);
  long_string.push_back(6);  // list
  PutU32(2, &long_string);
  long_string.push_back(2);  // int
  PutU32(static_cast<uint32_t>(browser_id), &long_string);
  long_string.push_back(4);  // string
  PutU32(0x7FFFFFFFu, &long_string);
  long_string += "ab";
  frames += RawPipe::Frame(long_string);
  // Lists nested past the limit.
  std::string deep(1, static_cast<char>(Codec::kVersion));
  PutU32(static_cast<uint32_t>(Op::kProcessMessage), &deep);
  for (int i = 0; i <= Codec::kMaxDepth; ++i) {
    PutU32(1, &deep);
    deep.push_back(6);  // list
  }
  PutU32(0, &deep);
  frames += RawPipe::Frame(deep);
  // The largest frame there is, all one-byte nulls: far more values than
  // one frame may make.
  std::string nulls(1, static_cast<char>(Codec::kVersion));
  PutU32(static_cast<uint32_t>(Op::kProcessMessage), &nulls);
  const uint32_t count =
      Codec::kMaxPayloadSize - static_cast<uint32_t>(nulls.size()) - 4;
  PutU32(count, &nulls);
  nulls.append(count, '\0');
  frames += RawPipe::Frame(nulls);
  return frames;
}

// static
RawPipe RawPipe::CreateServer() {
  std::wstring name = L"\\\\.\\pipe\\kxtest-" +
                      std::to_wstring(GetCurrentProcessId()) + L"-" +
                      std::to_wstring(g_pipe_counter++);
  HANDLE pipe =
      CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                       PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1,
                       65536, 65536, 0, nullptr);
  return RawPipe(pipe, name);
}

// static
RawPipe RawPipe::Connect(const std::wstring& name) {
  HANDLE pipe =
      CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                  OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  return RawPipe(pipe, name);
}

RawPipe::RawPipe(HANDLE pipe, const std::wstring& name)
    : pipe_(pipe), name_(name) {}

RawPipe::RawPipe(RawPipe&& other)
    : pipe_(other.pipe_), name_(std::move(other.name_)) {
  other.pipe_ = INVALID_HANDLE_VALUE;
}

RawPipe::~RawPipe() {
  Close();
}

void RawPipe::Close() {
  if (pipe_ != INVALID_HANDLE_VALUE)
    CloseHandle(pipe_);
  pipe_ = INVALID_HANDLE_VALUE;
}

bool RawPipe::Finish(OVERLAPPED* ov, DWORD timeout_ms, DWORD* moved) {
  if (WaitForSingleObject(ov->hEvent, timeout_ms) != WAIT_OBJECT_0) {
    CancelIoEx(pipe_, ov);
    GetOverlappedResult(pipe_, ov, moved, TRUE);
    return false;
  }
  return GetOverlappedResult(pipe_, ov, moved, FALSE) != FALSE;
}

bool RawPipe::WaitForClient(int timeout_ms) {
  Event event;
  OVERLAPPED ov = {};
  ov.hEvent = event.get();
  if (ConnectNamedPipe(pipe_, &ov))
    return true;
  DWORD error = GetLastError();
  if (error == ERROR_PIPE_CONNECTED)
    return true;
  DWORD moved = 0;
  return error == ERROR_IO_PENDING && Finish(&ov, timeout_ms, &moved);
}

bool RawPipe::WriteBytes(const std::string& bytes) {
  Event event;
  DWORD done = 0;
  while (done < bytes.size()) {
    OVERLAPPED ov = {};
    ov.hEvent = event.get();
    ResetEvent(event.get());
    DWORD moved = 0;
    if (!WriteFile(pipe_, bytes.data() + done,
                   static_cast<DWORD>(bytes.size() - done), &moved, &ov) &&
        GetLastError() != ERROR_IO_PENDING) {
      return false;
    }
    if (!Finish(&ov, 5000, &moved))
      return false;
    done += moved;
  }
  return true;
}

bool RawPipe::WriteOp(Op op, CefRefPtr<CefListValue> args) {
  return WriteBytes(Encode(op, args));
}

bool RawPipe::ReadExact(char* buffer, DWORD size, ULONGLONG deadline) {
  Event event;
  DWORD done = 0;
  while (done < size) {
    ULONGLONG now = GetTickCount64();
    if (now >= deadline)
      return false;
    OVERLAPPED ov = {};
    ov.hEvent = event.get();
    ResetEvent(event.get());
    DWORD moved = 0;
    if (!ReadFile(pipe_, buffer + done, size - done, &moved, &ov) &&
        GetLastError() != ERROR_IO_PENDING) {
      return false;
    }
    if (!Finish(&ov, static_cast<DWORD>(deadline - now), &moved))
      return false;
    done += moved;
  }
  return true;
}

bool RawPipe::ReadOp(Op* op, CefRefPtr<CefListValue>* args, int timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    char prefix[Codec::kLengthSize];
    uint32_t length = 0;
    if (!ReadExact(prefix, sizeof(prefix), deadline) ||
        !Codec::ReadLength(prefix, &length)) {
      return false;
    }
    std::string payload(length, '\0');
    if (length && !ReadExact(&payload[0], length, deadline))
      return false;
    if (Codec::Decode(payload.data(), payload.size(), op, args))
      return true;
  }
}

CefRefPtr<CefListValue> RawPipe::ReadUntil(Op wanted, int timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    ULONGLONG now = GetTickCount64();
    Op op;
    CefRefPtr<CefListValue> args;
    if (now >= deadline ||
        !ReadOp(&op, &args, static_cast<int>(deadline - now))) {
      return nullptr;
    }
    if (op == wanted)
      return args;
  }
}

// static
std::string RawPipe::Frame(const std::string& payload) {
  std::string frame;
  uint32_t size = static_cast<uint32_t>(payload.size());
  for (int i = 0; i < 4; ++i)
    frame.push_back(static_cast<char>((size >> (8 * i)) & 0xFF));
  return frame + payload;
}

// static
std::string RawPipe::Encode(Op op, CefRefPtr<CefListValue> args) {
  std::string frame;
  Codec::Encode(op, args, &frame);
  return frame;
}

}  // namespace process_test
