#include "tests/support/local_http_server.h"

SOCKET ListenOnLoopback(int backlog, int* port) {
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  int size = sizeof(address);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
  *port = ntohs(address.sin_port);
  listen(listener, backlog);
  return listener;
}

LocalHttpServer::LocalHttpServer(const std::string& response)
    : response_(response) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  listener_ = ListenOnLoopback(4, &port_);
  thread_ = std::thread([this]() { Serve(); });
}

LocalHttpServer::~LocalHttpServer() {
  closesocket(listener_);
  thread_.join();
  WSACleanup();
}

void LocalHttpServer::Serve() {
  for (;;) {
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET)
      return;
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
      int got = recv(client, buffer, sizeof(buffer), 0);
      if (got <= 0)
        break;
      request.append(buffer, got);
    }
    ++requests_;
    send(client, response_.data(), static_cast<int>(response_.size()), 0);
    shutdown(client, SD_SEND);
    closesocket(client);
  }
}
