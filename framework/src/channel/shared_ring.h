// A one-way byte stream between two processes through shared memory: one
// writer, one reader, no system call per byte. Under Wine every pipe read or
// write is a round trip to the server (and a read that waits is three), while
// a ring only needs the server to wake a side that sleeps: a writer sets the
// reader's event only when the reader said it is about to wait, and the
// other way round for room.
//
// The other process may write anything into the shared view, so each side
// keeps its own position privately and checks the other's before use: a
// position the peer could not have reached makes the ring "broken", never an
// access outside the view.
#ifndef FRAMEWORK_SRC_CHANNEL_SHARED_RING_H_
#define FRAMEWORK_SRC_CHANNEL_SHARED_RING_H_

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

namespace cef_internal {

class SharedRing {
 public:
  // Bytes of data one ring holds.
  static constexpr uint32_t kCapacity = 256 * 1024;
  // Bytes of the shared view one ring takes: its header, then its data.
  static size_t ViewSize();

  // |view| is ViewSize() bytes of a mapping both processes share, zeroed
  // when made (as a new section is); both sides start at its beginning.
  // |data_event| and |room_event| are auto-reset events: the reader waits for
  // the first, the writer for the second. Neither is owned.
  SharedRing(void* view, HANDLE data_event, HANDLE room_event);
  SharedRing(const SharedRing&) = delete;
  SharedRing& operator=(const SharedRing&) = delete;

  HANDLE data_event() const { return data_event_; }
  HANDLE room_event() const { return room_event_; }

  // Writer: copies as much of |data| as there is room for into the ring and
  // wakes a reader that waits for it; |*written| says how much. False when
  // the ring is broken.
  bool Write(const char* data, size_t size, size_t* written);
  // Reader: copies up to |room| bytes out, waking a writer that waits for
  // room. False when the ring is broken.
  bool Read(char* out, size_t room, size_t* read);
  // Reader: bytes waiting (a broken ring counts as waiting, so that the
  // next Read() finds out).
  size_t Readable();

  // Reader, before waiting for |data_event|: false when there is something
  // to read already (then it must not wait). EndReaderWait() after the wait,
  // whatever woke it.
  bool PrepareReaderWait();
  void EndReaderWait();
  // Writer, before waiting for |room_event|: false when there is room
  // already.
  bool PrepareWriterWait();
  void EndWriterWait();

 private:
  struct Header;

  Header* const header_;
  char* const data_;
  HANDLE const data_event_;
  HANDLE const room_event_;
  // This side's own position, kept here since the view cannot be trusted.
  uint32_t write_position_ = 0;
  uint32_t read_position_ = 0;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_SHARED_RING_H_
