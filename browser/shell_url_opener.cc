#include "browser/shell_url_opener.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <thread>

#include "browser/popup_url.h"
#include "common/under_wine.h"
#include "include/base/cef_logging.h"

namespace {

// The command Wine's shell runs for |url|'s scheme: the default value of
// HKEY_CLASSES_ROOT\<scheme>\shell\open\command, as it reads it (at most
// 255 units; a longer one it does not run at all). Empty when there is none.
std::wstring HandlerCommandFor(const std::wstring& url) {
  const size_t colon = url.find(L':');
  if (colon == std::wstring::npos)
    return std::wstring();
  const std::wstring key = url.substr(0, colon) + L"\\shell\\open\\command";
  wchar_t command[256];
  DWORD bytes = sizeof(command);
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr,
                   RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                   command, &bytes) != ERROR_SUCCESS) {
    return std::wstring();
  }
  return command;
}

// Under Wine, an address that does not fit the handler's command would
// start the desktop's browser without it.
bool HandlerTakes(const std::wstring& url) {
  if (!RunningUnderWine())
    return true;
  const std::wstring command = HandlerCommandFor(url);
  return command.empty() || HandlerCommandFits(command, url);
}

}  // namespace

// static
ShellUrlOpener* ShellUrlOpener::GetInstance() {
  static ShellUrlOpener* opener = new ShellUrlOpener();
  return opener;
}

bool ShellUrlOpener::Open(const std::wstring& url) {
  try {
    std::lock_guard<std::mutex> hold(lock_);
    if (pending_.size() >= kMaxPending)
      return false;
    StartThreadLocked();
    pending_.push_back(url);
  } catch (...) {
    return false;
  }
  wake_.notify_one();
  return true;
}

void ShellUrlOpener::StartThreadLocked() {
  if (started_)
    return;
  // Throws when the thread cannot start; Open() then refuses.
  std::thread(&ShellUrlOpener::RunThread, this).detach();
  started_ = true;
}

void ShellUrlOpener::RunThread() {
  // The shell wants a single-threaded apartment, and no DDE of old. The
  // thread keeps it for the life of the process.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  for (;;) {
    try {
      std::wstring url;
      {
        std::unique_lock<std::mutex> hold(lock_);
        wake_.wait(hold, [this] { return !pending_.empty(); });
        url.swap(pending_.front());
        pending_.pop_front();
      }
      if (!HandlerTakes(url)) {
        LOG(WARNING) << "A pop-up's address (" << url.size()
                     << " characters) does not fit the desktop browser's "
                        "command: not opened";
        continue;
      }
      ShellExecuteW(nullptr, nullptr, url.c_str(), nullptr, nullptr,
                    SW_SHOWNORMAL);
    } catch (...) {
      // Nothing here throws but the lock; the next address still goes.
    }
  }
}
