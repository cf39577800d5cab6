// Serves one fixed response to every connection on 127.0.0.1, from a thread
// of its own, until destroyed.
#ifndef TESTS_SUPPORT_LOCAL_HTTP_SERVER_H_
#define TESTS_SUPPORT_LOCAL_HTTP_SERVER_H_

#include <winsock2.h>

#include <atomic>
#include <string>
#include <thread>

// A socket listening on 127.0.0.1 with |backlog|, on a port the system
// chose, which |port| receives. Winsock must be started.
SOCKET ListenOnLoopback(int backlog, int* port);

class LocalHttpServer {
 public:
  // |response| is the whole answer: status line, headers and body.
  explicit LocalHttpServer(const std::string& response);
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;
  ~LocalHttpServer();

  int port() const { return port_; }
  int requests() const { return requests_; }

 private:
  void Serve();

  const std::string response_;
  SOCKET listener_;
  int port_ = 0;
  std::atomic<int> requests_{0};
  std::thread thread_;
};

#endif  // TESTS_SUPPORT_LOCAL_HTTP_SERVER_H_
