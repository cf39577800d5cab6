#include "store/option_store.h"

#include <atomic>

#include "browser/embed_browser_handler.h"
#include "common/host_command.h"
#include "store/host_filter_record.h"
#include "store/renderer_update_broadcaster.h"

namespace {

// Serialises the store's creation; lives from before the entry point to
// process exit.
class StoreLock {
 public:
  StoreLock() { InitializeCriticalSection(&section_); }
  ~StoreLock() { DeleteCriticalSection(&section_); }
  void Enter() { EnterCriticalSection(&section_); }
  void Leave() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

StoreLock g_store_lock;

class ScopedLock {
 public:
  explicit ScopedLock(CRITICAL_SECTION* section) : section_(section) {
    EnterCriticalSection(section_);
  }
  ~ScopedLock() { LeaveCriticalSection(section_); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  CRITICAL_SECTION* section_;
};
std::atomic<OptionStore*> g_store_instance{nullptr};

}  // namespace

OptionStore* OptionStore::GetInstance() {
  OptionStore* store = g_store_instance.load(std::memory_order_acquire);
  if (store)
    return store;
  g_store_lock.Enter();
  store = g_store_instance.load(std::memory_order_relaxed);
  if (!store) {
    try {
      store = new OptionStore();
    } catch (...) {
      g_store_lock.Leave();
      throw;
    }
    g_store_instance.store(store, std::memory_order_release);
  }
  g_store_lock.Leave();
  return store;
}

OptionStore::OptionStore()
    : host_window_(nullptr),
      host_record_enabled_(false),
      host_handle_(INVALID_HANDLE_VALUE) {
  InitializeCriticalSection(&lock_);
  options_ = MakeEmptyOptionBlock();
}

void OptionStore::SetHostWindow(HWND window) {
  ScopedLock lock(&lock_);
  host_window_ = window;
}

void OptionStore::SetHostRecordEnabled(bool enabled) {
  ScopedLock lock(&lock_);
  host_record_enabled_ = enabled;
}

void OptionStore::SetHostHandle(HANDLE handle) {
  ScopedLock lock(&lock_);
  host_handle_ = handle;
}

void OptionStore::AddNormalVoice(const std::wstring& text) {
  ScopedLock lock(&lock_);
  AppendKeepingLatest(text, &normal_voice_list_);
}

void OptionStore::AddHornVoice(const std::wstring& text) {
  ScopedLock lock(&lock_);
  AppendKeepingLatest(text, &horn_voice_list_);
}

// static
void OptionStore::AppendKeepingLatest(const std::wstring& text,
                                      VoiceTextList* list) {
  list->push_back(text);
  while (list->size() > kMaxStoredVoices)
    list->pop_front();
}

OptionBlock OptionStore::options() const {
  ScopedLock lock(&lock_);
  return options_;
}

void OptionStore::UpdateOptions(const OptionBlock* block) {
  if (!block)
    return;
  const OptionBlock options = *block;
  HWND window;
  {
    ScopedLock lock(&lock_);
    options_ = options;
    window = host_window_;
  }
  WriteRecordOf(options);
  SendHostCommand(g_client_handler, MakeSaveOptionCommand(options));
  // Posting to a null window would queue a thread message on this thread.
  if (window)
    PostMessageW(window, kOptionsChangedMessage, 0, 0);
}

void OptionStore::ResyncVoiceLists() {
  VoiceTextList normal, horn;
  {
    ScopedLock lock(&lock_);
    normal = normal_voice_list_;
    horn = horn_voice_list_;
  }
  ResendVoices(normal, kAddNormalVoice);
  ResendVoices(horn, kAddHornVoice);
}

void OptionStore::ResendVoices(const VoiceTextList& texts,
                               HostCommandKind kind) {
  for (const std::wstring& text : texts) {
    SendHostCommand(g_client_handler, MakeVoiceCommand(kind, text));
  }
}

void OptionStore::WriteHostRecord() {
  WriteRecordOf(options());
}

void OptionStore::WriteRecordOf(const OptionBlock& options) {
  HANDLE handle;
  {
    ScopedLock lock(&lock_);
    if (!host_record_enabled_)
      return;
    handle = host_handle_;
  }
  const HostFilterRecord record = BuildHostFilterRecord(options);
  if (handle == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  WriteFile(handle, &record,
            static_cast<DWORD>(HostFilterRecordSize(record.count)), &written,
            nullptr);
}
