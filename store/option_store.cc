#include "store/option_store.h"

#include <atomic>
#include <cstring>

#include "browser/embed_browser_handler.h"
#include "common/auto_lock.h"
#include "common/host_command.h"
#include "include/base/cef_logging.h"
#include "store/host_filter_record.h"
#include "store/renderer_update_broadcaster.h"

namespace {

// Neither value is a handle a host opened: writing to one fails.
bool HasHandle(HANDLE handle) {
  return handle != INVALID_HANDLE_VALUE && handle != nullptr;
}

// Serialises the store's creation; lives from before the entry point to
// process exit.
class StoreLock {
 public:
  StoreLock() { InitializeCriticalSection(&section_); }
  ~StoreLock() { DeleteCriticalSection(&section_); }
  CRITICAL_SECTION* section() { return &section_; }

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
  AutoLock hold(g_store_lock.section());
  store = g_store_instance.load(std::memory_order_relaxed);
  if (!store) {
    store = new OptionStore();
    g_store_instance.store(store, std::memory_order_release);
  }
  return store;
}

OptionStore::OptionStore()
    : options_set_(false),
      host_window_(nullptr),
      host_record_enabled_(false),
      host_handle_(INVALID_HANDLE_VALUE),
      missing_handle_reported_(false) {
  InitializeCriticalSection(&lock_);
  options_ = MakeEmptyOptionBlock();
}

void OptionStore::ResetForTesting() {
  AutoLock hold(&lock_);
  options_ = MakeEmptyOptionBlock();
  options_set_ = false;
  normal_voice_list_.clear();
  horn_voice_list_.clear();
  host_window_ = nullptr;
  host_record_enabled_ = false;
  host_handle_ = INVALID_HANDLE_VALUE;
  missing_handle_reported_ = false;
}

void OptionStore::SetHostWindow(HWND window) {
  AutoLock hold(&lock_);
  host_window_ = window;
}

void OptionStore::SetHostRecordEnabled(bool enabled) {
  AutoLock hold(&lock_);
  host_record_enabled_ = enabled;
  missing_handle_reported_ = false;
}

void OptionStore::SetHostHandle(HANDLE handle) {
  AutoLock hold(&lock_);
  host_handle_ = handle;
  missing_handle_reported_ = false;
}

void OptionStore::AddNormalVoice(const std::wstring& text) {
  AutoLock hold(&lock_);
  AppendKeepingLatest(text, &normal_voice_list_);
}

void OptionStore::AddHornVoice(const std::wstring& text) {
  AutoLock hold(&lock_);
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
  AutoLock hold(&lock_);
  return options_;
}

void OptionStore::SetInitialOptions(const OptionBlock& block) {
  OptionBlock options = block;
  options.count = ValidEntryCount(block);
  for (uint32_t i = options.count; i < kMaxOptionEntries; ++i)
    std::memset(&options.entries[i], 0, sizeof(options.entries[i]));
  AutoLock hold(&lock_);
  options_ = options;
  options_set_ = true;
}

CefString OptionStore::OptionJson() const {
  OptionBlock options;
  {
    AutoLock hold(&lock_);
    if (!options_set_)
      return CefString();
    options = options_;
  }
  return OptionBlockToJson(options);
}

void OptionStore::ForgetOptionsForTesting() {
  AutoLock hold(&lock_);
  options_ = MakeEmptyOptionBlock();
  options_set_ = false;
}

void OptionStore::UpdateOptions(const OptionBlock* block) {
  if (!block)
    return;
  const OptionBlock options = *block;
  HWND window;
  {
    AutoLock hold(&lock_);
    options_ = options;
    options_set_ = true;
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
    AutoLock hold(&lock_);
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
  bool report_missing = false;
  {
    AutoLock hold(&lock_);
    if (!host_record_enabled_)
      return;
    handle = host_handle_;
    if (!HasHandle(handle) && !missing_handle_reported_)
      missing_handle_reported_ = report_missing = true;
  }
  if (report_missing) {
    LOG(WARNING) << "The host record is on (SetHostRecordEnabled(true)) but "
                    "no record handle was given (SetHostHandle): no record "
                    "is written";
  }
  if (!HasHandle(handle))
    return;
  const HostFilterRecord record = BuildHostFilterRecord(options);
  DWORD written = 0;
  WriteFile(handle, &record,
            static_cast<DWORD>(HostFilterRecordSize(record.count)), &written,
            nullptr);
}
