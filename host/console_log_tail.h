// Reads the page console lines the framework appends to its log file and
// gives back their message texts.
#ifndef HOST_CONSOLE_LOG_TAIL_H_
#define HOST_CONSOLE_LOG_TAIL_H_

#include <windows.h>

#include <string>
#include <vector>

class ConsoleLogTail {
 public:
  explicit ConsoleLogTail(const std::wstring& path);
  ~ConsoleLogTail();

  // Messages of the console lines completed since the last call, in order.
  std::vector<std::string> ReadNewMessages();

  // The message of one framework log line, e.g.
  //   [1207/203022:INFO:CONSOLE(12)] "text", source: file:///a.html (12)
  // False for a line that is not a console message.
  static bool ParseConsoleLine(const std::string& line, std::string* message);

 private:
  std::wstring path_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::string partial_;
};

#endif  // HOST_CONSOLE_LOG_TAIL_H_
