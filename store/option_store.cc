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

void OptionStore::AddNormalVoice(const std::wstring& text) {
  normal_voice_list_.push_back(text);
}

void OptionStore::AddHornVoice(const std::wstring& text) {
  horn_voice_list_.push_back(text);
}

void OptionStore::UpdateOptions(const OptionBlock* block) {
  if (!block)
    return;
  EnterCriticalSection(&lock_);
  options_ = *block;
  LeaveCriticalSection(&lock_);
  if (host_record_enabled_)
    WriteHostRecord();
  SendHostCommand(g_client_handler, MakeSaveOptionCommand(options_));
  // Posting to a null window would queue a thread message on this thread.
  if (host_window_)
    PostMessageW(host_window_, kOptionsChangedMessage, 0, 0);
}

void OptionStore::ResyncVoiceLists() {
  ResendVoices(normal_voice_list_, kAddNormalVoice);
  ResendVoices(horn_voice_list_, kAddHornVoice);
}

void OptionStore::ResendVoices(const VoiceTextList& texts,
                               HostCommandKind kind) {
  for (const std::wstring& text : texts) {
    SendHostCommand(g_client_handler, MakeVoiceCommand(kind, text));
  }
}

void OptionStore::WriteHostRecord() {
  if (!host_record_enabled_)
    return;
  const HostFilterRecord record = BuildHostFilterRecord(options_);
  if (host_handle_ == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  WriteFile(host_handle_, &record,
            static_cast<DWORD>(HostFilterRecordSize(record.count)), &written,
            nullptr);
}
