#include "host/console_log_tail.h"

ConsoleLogTail::ConsoleLogTail(const std::wstring& path) : path_(path) {}

ConsoleLogTail::~ConsoleLogTail() {
  if (file_ != INVALID_HANDLE_VALUE)
    CloseHandle(file_);
}

std::vector<std::string> ConsoleLogTail::ReadNewMessages() {
  std::vector<std::string> messages;
  if (file_ == INVALID_HANDLE_VALUE) {
    // The framework creates the file with its first line.
    file_ = CreateFileW(path_.c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE)
      return messages;
  }
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file_, buffer, sizeof(buffer), &read, nullptr) && read > 0)
    partial_.append(buffer, read);
  size_t end;
  while ((end = partial_.find('\n')) != std::string::npos) {
    std::string line = partial_.substr(0, end);
    partial_.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    std::string message;
    if (ParseConsoleLine(line, &message))
      messages.push_back(message);
  }
  return messages;
}

bool ConsoleLogTail::ParseConsoleLine(const std::string& line,
                                      std::string* message) {
  if (line.find(":CONSOLE(") == std::string::npos)
    return false;
  const size_t open = line.find("] \"");
  // The message may itself hold the separator; the source follows the last.
  const size_t close = line.rfind("\", source: ");
  if (open == std::string::npos || close == std::string::npos ||
      close < open + 3)
    return false;
  *message = line.substr(open + 3, close - (open + 3));
  return true;
}
