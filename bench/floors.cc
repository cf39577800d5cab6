#include "bench/floors.h"

#include "bench/bench_stats.h"
#include "rapidjson/encodings.h"
#include "rapidjson/stringbuffer.h"
#include "rapidjson/writer.h"

const wchar_t kPipePeerSwitch[] = L"--pipe-peer=";

namespace {

bool ReadExact(HANDLE pipe, char* buffer, DWORD size) {
  DWORD done = 0;
  while (done < size) {
    DWORD moved = 0;
    if (!ReadFile(pipe, buffer + done, size - done, &moved, nullptr) || !moved)
      return false;
    done += moved;
  }
  return true;
}

bool WriteExact(HANDLE pipe, const char* buffer, DWORD size) {
  DWORD moved = 0;
  return WriteFile(pipe, buffer, size, &moved, nullptr) && moved == size;
}

// Starts |command_line|; the caller owns the returned process handle.
HANDLE Launch(const std::wstring& command_line) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::wstring mutable_line(command_line);
  if (!CreateProcessW(nullptr, &mutable_line[0], nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &info))
    return nullptr;
  CloseHandle(info.hThread);
  return info.hProcess;
}

}  // namespace

int RunPipePeer(const std::wstring& pipe_name) {
  HANDLE pipe = CreateFileW(pipe_name.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (pipe == INVALID_HANDLE_VALUE)
    return 1;
  char buffer[kPingPongMessageSize];
  while (ReadExact(pipe, buffer, sizeof(buffer)) &&
         WriteExact(pipe, buffer, sizeof(buffer))) {
  }
  CloseHandle(pipe);
  return 0;
}

double PipePingPongUs(int round_trips) {
  static int serial = 0;
  const std::wstring name = L"\\\\.\\pipe\\kxbench-" +
                            std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(++serial);
  HANDLE pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX,
                                 PIPE_TYPE_BYTE | PIPE_READMODE_BYTE, 1,
                                 64 * 1024, 64 * 1024, 0, nullptr);
  if (pipe == INVALID_HANDLE_VALUE)
    return -1;
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  HANDLE peer =
      Launch(L"\"" + std::wstring(self) + L"\" " + kPipePeerSwitch + name);
  double per_trip = -1;
  if (peer && (ConnectNamedPipe(pipe, nullptr) ||
               GetLastError() == ERROR_PIPE_CONNECTED)) {
    char message[kPingPongMessageSize] = {};
    char answer[kPingPongMessageSize];
    bool ok = true;
    const double start = NowUs();
    for (int i = 0; ok && i < round_trips; ++i) {
      message[0] = static_cast<char>(i);
      ok = WriteExact(pipe, message, sizeof(message)) &&
           ReadExact(pipe, answer, sizeof(answer)) && answer[0] == message[0];
    }
    if (ok)
      per_trip = (NowUs() - start) / round_trips;
  }
  CloseHandle(pipe);
  if (peer) {
    WaitForSingleObject(peer, 5000);
    CloseHandle(peer);
  }
  return per_trip;
}

double RapidJsonVoicesUs(const std::vector<std::wstring>& voices, int writes) {
  typedef rapidjson::GenericStringBuffer<rapidjson::UTF8<>> Buffer;
  size_t total = 0;
  const double start = NowUs();
  for (int i = 0; i < writes; ++i) {
    Buffer buffer;
    rapidjson::Writer<Buffer, rapidjson::UTF16<wchar_t>, rapidjson::UTF8<>>
        writer(buffer);
    writer.StartArray();
    for (const std::wstring& voice : voices)
      writer.String(voice.data(),
                    static_cast<rapidjson::SizeType>(voice.size()));
    writer.EndArray();
    total += buffer.GetSize();
  }
  const double elapsed = NowUs() - start;
  // Keeps the writes from being optimised away.
  return total ? elapsed / writes : -1;
}

double StartToExitMs(const std::wstring& command_line, int runs) {
  const double start = NowUs();
  for (int i = 0; i < runs; ++i) {
    HANDLE process = Launch(command_line);
    if (!process)
      return -1;
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
  }
  return (NowUs() - start) / runs / 1000;
}
