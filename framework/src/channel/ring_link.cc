#include "src/channel/ring_link.h"

namespace cef_internal {

namespace {

enum Handle {
  kSection,
  kToClientData,
  kToClientRoom,
  kToServerData,
  kToServerRoom
};

size_t SectionSize() {
  return 2 * SharedRing::ViewSize();
}

// What the other process may do with each handle: map the rings, wait for
// and set the events; nothing more (no executable views, no resizing, no
// changing who may open them).
constexpr DWORD kSectionAccess = FILE_MAP_READ | FILE_MAP_WRITE;
constexpr DWORD kEventAccess = SYNCHRONIZE | EVENT_MODIFY_STATE;

}  // namespace

// static
std::unique_ptr<RingLink> RingLink::Create() {
  std::unique_ptr<RingLink> link(new RingLink());
  link->handles_[kSection] =
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                         static_cast<DWORD>(SectionSize()), nullptr);
  for (int i = kToClientData; i < kHandleCount; ++i)
    link->handles_[i] = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!link->Map(true))
    return nullptr;
  return link;
}

// static
std::unique_ptr<RingLink> RingLink::Take(CefRefPtr<CefListValue> offer) {
  if (!offer || offer->GetSize() != kHandleCount)
    return nullptr;
  std::unique_ptr<RingLink> link(new RingLink());
  for (int i = 0; i < kHandleCount; ++i) {
    if (offer->GetType(i) != VTYPE_INT)
      return nullptr;
    link->handles_[i] =
        reinterpret_cast<HANDLE>(static_cast<INT_PTR>(offer->GetInt(i)));
  }
  if (!link->Map(false)) {
    // Not ours to close when they were not what the offer said.
    for (HANDLE& handle : link->handles_)
      handle = nullptr;
    return nullptr;
  }
  return link;
}

RingLink::~RingLink() {
  in_.reset();
  out_.reset();
  if (view_)
    UnmapViewOfFile(view_);
  for (HANDLE handle : handles_) {
    if (handle)
      CloseHandle(handle);
  }
}

bool RingLink::Map(bool is_server) {
  for (HANDLE handle : handles_) {
    if (!handle)
      return false;
  }
  view_ =
      MapViewOfFile(handles_[kSection], kSectionAccess, 0, 0, SectionSize());
  MEMORY_BASIC_INFORMATION region = {};
  if (!view_ || !VirtualQuery(view_, &region, sizeof(region)) ||
      region.RegionSize < SectionSize()) {
    return false;
  }
  char* base = static_cast<char*>(view_);
  auto to_client = std::make_unique<SharedRing>(base, handles_[kToClientData],
                                                handles_[kToClientRoom]);
  auto to_server = std::make_unique<SharedRing>(base + SharedRing::ViewSize(),
                                                handles_[kToServerData],
                                                handles_[kToServerRoom]);
  in_ = is_server ? std::move(to_server) : std::move(to_client);
  out_ = is_server ? std::move(to_client) : std::move(to_server);
  return true;
}

bool RingLink::OfferTo(DWORD process_id, CefRefPtr<CefListValue> offer) const {
  HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, process_id);
  if (!process)
    return false;
  HANDLE remote[kHandleCount] = {};
  bool ok = true;
  for (int i = 0; i < kHandleCount && ok; ++i) {
    ok = DuplicateHandle(GetCurrentProcess(), handles_[i], process, &remote[i],
                         i == kSection ? kSectionAccess : kEventAccess, FALSE,
                         0) != FALSE;
  }
  if (!ok) {
    // Closes what did get there, in the other process.
    for (HANDLE handle : remote) {
      if (handle)
        DuplicateHandle(process, handle, nullptr, nullptr, 0, FALSE,
                        DUPLICATE_CLOSE_SOURCE);
    }
  }
  CloseHandle(process);
  if (!ok)
    return false;
  for (int i = 0; i < kHandleCount; ++i)
    offer->SetInt(i, static_cast<int>(reinterpret_cast<INT_PTR>(remote[i])));
  return true;
}

}  // namespace cef_internal
