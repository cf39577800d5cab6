// An OVERLAPPED with its own manual-reset event, for one thread's I/O on the
// pipe. ReadFile and WriteFile reset the event themselves when they start.
#ifndef FRAMEWORK_SRC_CHANNEL_OVERLAPPED_H_
#define FRAMEWORK_SRC_CHANNEL_OVERLAPPED_H_

#include <windows.h>

namespace cef_internal {

class Overlapped {
 public:
  Overlapped() {
    ZeroMemory(&ov_, sizeof(ov_));
    ov_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  ~Overlapped() { CloseHandle(ov_.hEvent); }
  Overlapped(const Overlapped&) = delete;
  Overlapped& operator=(const Overlapped&) = delete;

  OVERLAPPED* get() { return &ov_; }
  HANDLE event() const { return ov_.hEvent; }

 private:
  OVERLAPPED ov_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_OVERLAPPED_H_
