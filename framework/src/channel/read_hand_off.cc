#include "src/channel/read_hand_off.h"

namespace cef_internal {

ReadHandOff::ReadHandOff()
    : yield_request_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      yielded_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      resume_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      owner_off_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  InitializeCriticalSection(&lock_);
}

ReadHandOff::~ReadHandOff() {
  CloseHandle(yield_request_);
  CloseHandle(yielded_);
  CloseHandle(resume_);
  CloseHandle(owner_off_);
  DeleteCriticalSection(&lock_);
}

ReadHandOff::Role ReadHandOff::role() {
  AutoLock hold(&lock_);
  return role_;
}

void ReadHandOff::AskForReading() {
  bool ask = false;
  {
    AutoLock hold(&lock_);
    ask = role_ == Role::kThread;
    if (ask)
      role_ = Role::kYieldAsked;
  }
  if (ask)
    SetEvent(yield_request_);
}

bool ReadHandOff::OwnerMayRead(const ChannelEnd& end) {
  AutoLock hold(&lock_);
  return !owner_barred_ && !end.closed();
}

void ReadHandOff::OwnerReadEnded() {
  bool tell_writer = false;
  {
    AutoLock hold(&lock_);
    owner_read_pending_ = false;
    tell_writer = writer_waits_owner_;
  }
  if (tell_writer)
    SetEvent(owner_off_);
}

void ReadHandOff::HandBack() {
  Role was = Role::kOver;
  {
    AutoLock hold(&lock_);
    was = role_;
    if (was == Role::kOwner || was == Role::kYieldAsked)
      role_ = Role::kThread;
  }
  if (was == Role::kOwner)
    SetEvent(resume_);
}

void ReadHandOff::EndReading() {
  AutoLock hold(&lock_);
  role_ = Role::kOver;
}

bool ReadHandOff::StepAside() {
  AutoLock hold(&lock_);
  // The owner may have taken its request back meanwhile.
  if (role_ != Role::kYieldAsked)
    return false;
  role_ = Role::kOwner;
  return true;
}

void ReadHandOff::ReaderThreadEnds() {
  AutoLock hold(&lock_);
  if (role_ != Role::kOwner)
    role_ = Role::kOver;
}

void ReadHandOff::BarOwnerReads(HANDLE pipe) {
  bool pending = false;
  {
    AutoLock hold(&lock_);
    owner_barred_ = true;
    pending = owner_read_pending_;
    writer_waits_owner_ = pending;
  }
  if (!pending)
    return;
  CancelIoEx(pipe, owner_ov_.get());
  WaitForSingleObject(owner_off_, INFINITE);
}

}  // namespace cef_internal
