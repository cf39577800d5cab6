#include "src/channel/shared_ring.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace cef_internal {

static_assert((SharedRing::kCapacity & (SharedRing::kCapacity - 1)) == 0,
              "positions wrap at 2^32, so the capacity must divide it");

// Each field on a cache line of its own: the two sides write different ones.
struct SharedRing::Header {
  alignas(64) std::atomic<uint32_t> write_position;
  alignas(64) std::atomic<uint32_t> read_position;
  alignas(64) std::atomic<uint32_t> reader_waits;
  alignas(64) std::atomic<uint32_t> writer_waits;
};

static_assert(std::atomic<uint32_t>::is_always_lock_free,
              "the header is shared between processes");

// static
size_t SharedRing::ViewSize() {
  return sizeof(Header) + kCapacity;
}

SharedRing::SharedRing(void* view, HANDLE data_event, HANDLE room_event)
    : header_(static_cast<Header*>(view)),
      data_(static_cast<char*>(view) + sizeof(Header)),
      data_event_(data_event),
      room_event_(room_event) {}

bool SharedRing::Write(const char* data, size_t size, size_t* written) {
  *written = 0;
  const uint32_t used =
      write_position_ - header_->read_position.load(std::memory_order_acquire);
  if (used > kCapacity)
    return false;
  const size_t count = std::min<size_t>(size, kCapacity - used);
  if (!count)
    return true;
  const uint32_t at = write_position_ & (kCapacity - 1);
  const size_t first = std::min<size_t>(count, kCapacity - at);
  std::memcpy(data_ + at, data, first);
  std::memcpy(data_, data + first, count - first);
  write_position_ += static_cast<uint32_t>(count);
  // Published before the reader's flag is read, so that one of the two
  // sides always sees the other: no wake is lost.
  header_->write_position.store(write_position_);
  if (header_->reader_waits.exchange(0))
    SetEvent(data_event_);
  *written = count;
  return true;
}

bool SharedRing::Read(char* out, size_t room, size_t* read) {
  *read = 0;
  const uint32_t ready =
      header_->write_position.load(std::memory_order_acquire) - read_position_;
  if (ready > kCapacity)
    return false;
  const size_t count = std::min<size_t>(room, ready);
  if (!count)
    return true;
  const uint32_t at = read_position_ & (kCapacity - 1);
  const size_t first = std::min<size_t>(count, kCapacity - at);
  std::memcpy(out, data_ + at, first);
  std::memcpy(out + first, data_, count - first);
  read_position_ += static_cast<uint32_t>(count);
  header_->read_position.store(read_position_);
  if (header_->writer_waits.exchange(0))
    SetEvent(room_event_);
  *read = count;
  return true;
}

size_t SharedRing::Readable() {
  const uint32_t ready = header_->write_position.load() - read_position_;
  return ready > kCapacity ? 1 : ready;
}

bool SharedRing::PrepareReaderWait() {
  header_->reader_waits.store(1);
  if (!Readable())
    return true;
  header_->reader_waits.store(0);
  return false;
}

void SharedRing::EndReaderWait() {
  header_->reader_waits.store(0);
}

bool SharedRing::PrepareWriterWait() {
  header_->writer_waits.store(1);
  const uint32_t used = write_position_ - header_->read_position.load();
  // Full: wait. Room, or a broken ring the next Write() reports: do not.
  if (used == kCapacity)
    return true;
  header_->writer_waits.store(0);
  return false;
}

void SharedRing::EndWriterWait() {
  header_->writer_waits.store(0);
}

}  // namespace cef_internal
