#include "browser/shell_url_opener.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <thread>

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
      ShellExecuteW(nullptr, nullptr, url.c_str(), nullptr, nullptr,
                    SW_SHOWNORMAL);
    } catch (...) {
      // Nothing here throws but the lock; the next address still goes.
    }
  }
}
