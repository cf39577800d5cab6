// The browser process's single home for the user's filter options and the
// voice texts, and its link to the host: a record written to a host handle
// and a window message after every options update.
#ifndef STORE_OPTION_STORE_H_
#define STORE_OPTION_STORE_H_

#include <windows.h>

#include <list>
#include <string>

#include "common/host_command.h"
#include "common/option_block.h"
#include "include/internal/cef_string.h"

// Posted to the host window after every options update, wParam and lParam 0.
constexpr UINT kOptionsChangedMessage = 0x821C;
// The voice texts kept per list: as many as every render process keeps, so
// a host that runs for long neither grows without end nor resends texts
// that a render process would drop.
constexpr size_t kMaxStoredVoices = 201;

class OptionStore {
 public:
  typedef std::list<std::wstring> VoiceTextList;

  // The store, created on first use; never destroyed.
  static OptionStore* GetInstance();

  // Host integration. Set before the first options update (the voice texts
  // before a renderer asks for them); nothing else in the system writes
  // these. Until set: no host window (no notification is posted), writing
  // off, INVALID_HANDLE_VALUE, empty lists. Each setter may be called on any
  // thread: it takes the store lock, and counts from the next update or
  // resync that starts after it returns.
  void SetHostWindow(HWND window);
  void SetHostRecordEnabled(bool enabled);
  // A handle open for writing (file or pipe); the store does not own it.
  // Its reader must drain it on a thread other than the one that runs the
  // framework's message loop (the store writes on that thread and blocks
  // while the handle is full).
  void SetHostHandle(HANDLE handle);
  // Each list keeps its latest kMaxStoredVoices texts.
  void AddNormalVoice(const std::wstring& text);
  void AddHornVoice(const std::wstring& text);

  // Seeds the store with the user's saved filters: what every render
  // process is given when it asks, once its first page has loaded (in both
  // browsers). Not an update: no host record, no notification, nothing
  // pushed. Keeps the first kMaxOptionEntries entries, as for pages, and
  // clears those past |count|; a count of 0 seeds "no filters" (pages read
  // "[]", where a store never seeded nor updated gives ""). Filters kept as
  // option JSON text become a block with ParseOptionJson.
  // Call it before CefInitialize, with the setters above, so that the first
  // page gets them. Safe on any thread at any time (it only takes the store
  // lock), but a later call reaches only render processes that ask after
  // it: running pages keep what they have until the next UpdateOptions.
  void SetInitialOptions(const OptionBlock& block);

  // Stores |block|, writes the host record (when enabled), tells the main
  // browser's renderer and notifies the host window, in that order. A null
  // block changes nothing.
  void UpdateOptions(const OptionBlock* block);

  // The options as the JSON text a render process is given when it asks
  // ("get_option"): the text of the last update or seed, "" while there was
  // neither. Uses the framework's JSON writer: after CefInitialize.
  CefString OptionJson() const;

  // Resends every normal voice text, then every horn voice text, in list
  // order, to the main browser's renderer.
  void ResyncVoiceLists();

  // Writes the current options as one HostFilterRecord when writing is
  // enabled and the handle is valid.
  void WriteHostRecord();

  // Any thread.
  OptionBlock options() const;

  // Back to "never seeded nor updated", for tests that share one store.
  void ForgetOptionsForTesting();
  // Back to the state of a new store (no options, empty lists, no host
  // parts), so that a test never sees what an earlier one left. Tests only:
  // the store is never destroyed.
  void ResetForTesting();

 private:
  OptionStore();
  ~OptionStore() = delete;

  static void AppendKeepingLatest(const std::wstring& text,
                                  VoiceTextList* list);
  void ResendVoices(const VoiceTextList& texts, HostCommandKind kind);
  void WriteRecordOf(const OptionBlock& options);

  // Guards every member below. Never held while a record is written, a
  // renderer is told or the host window is notified.
  mutable CRITICAL_SECTION lock_;
  OptionBlock options_;
  // Whether an update or a seed has set |options_|.
  bool options_set_;
  VoiceTextList normal_voice_list_;
  VoiceTextList horn_voice_list_;
  HWND host_window_;
  bool host_record_enabled_;
  HANDLE host_handle_;
  // Writing is on without a handle, and the host was told; cleared by the
  // host's next change of either.
  bool missing_handle_reported_;
};

#endif  // STORE_OPTION_STORE_H_
