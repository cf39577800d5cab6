#include "host/record_reader.h"

#include <chrono>
#include <system_error>
#include <utility>

namespace {

constexpr DWORD kChunkSize = 1 << 16;

}  // namespace

RecordReader::RecordReader(HANDLE pipe, HANDLE copy, RecordSink sink)
    : pipe_(pipe), copy_(copy), sink_(std::move(sink)) {}

RecordReader::~RecordReader() {
  Join();
}

bool RecordReader::Start() {
  try {
    thread_ = std::thread([this] { ReadLoop(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void RecordReader::Join() {
  if (thread_.joinable())
    thread_.join();
}

bool RecordReader::WaitForRecords(uint64_t count, int timeout_ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                    [&] { return records_ >= count || ended_; });
  return records_ >= count;
}

void RecordReader::ReadLoop() {
  std::string chunk(kChunkSize, '\0');
  DWORD read = 0;
  // Ends when every write handle is closed (ERROR_BROKEN_PIPE).
  while (ReadFile(pipe_, &chunk[0], kChunkSize, &read, nullptr) && read > 0) {
    if (copy_ != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(copy_, chunk.data(), read, &written, nullptr);
    }
    decoder_.Append(chunk.data(), read);
    HostFilterRecord record;
    while (decoder_.Next(&record)) {
      sink_(record);
      std::lock_guard<std::mutex> lock(mutex_);
      ++records_;
      changed_.notify_all();
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  ended_ = true;
  changed_.notify_all();
}
