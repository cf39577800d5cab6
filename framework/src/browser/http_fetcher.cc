#include "src/browser/http_fetcher.h"

#include <windows.h>

#include <winhttp.h>

#include <vector>

namespace cef_internal {

namespace {

// Bounds a response so that a hostile server cannot exhaust memory.
constexpr size_t kMaxBodyBytes = 64 * 1024 * 1024;
constexpr int kResolveTimeoutMs = 10000;
constexpr int kConnectTimeoutMs = 10000;
constexpr int kTransferTimeoutMs = 30000;

class Handle {
 public:
  explicit Handle(HINTERNET handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (handle_)
      WinHttpCloseHandle(handle_);
  }
  HINTERNET get() const { return handle_; }

 private:
  HINTERNET handle_;
};

FetchResult Failure(cef_errorcode_t error) {
  FetchResult result;
  result.error = error;
  return result;
}

FetchResult LastError() {
  return Failure(HttpFetcher::ErrorFromWinHttp(GetLastError()));
}

}  // namespace

cef_errorcode_t HttpFetcher::ErrorFromWinHttp(unsigned long error) {
  switch (error) {
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return ERR_CONNECTION_REFUSED;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return ERR_NAME_NOT_RESOLVED;
    case ERROR_WINHTTP_TIMEOUT:
      return ERR_CONNECTION_TIMED_OUT;
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return ERR_CONNECTION_RESET;
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
      return ERR_INVALID_URL;
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
      return ERR_EMPTY_RESPONSE;
    default:
      return ERR_FAILED;
  }
}

FetchResult HttpFetcher::Fetch(const std::wstring& url, std::string* body) {
  body->clear();
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0,
                       &parts) ||
      parts.dwHostNameLength == 0) {
    return Failure(ERR_INVALID_URL);
  }
  std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (parts.lpszExtraInfo)
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  // The fragment never goes to the server.
  size_t hash = path.find(L'#');
  if (hash != std::wstring::npos)
    path.resize(hash);
  if (path.empty())
    path = L"/";

  Handle session(WinHttpOpen(L"Mozilla/5.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                             WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS,
                             0));
  if (!session.get())
    return LastError();
  WinHttpSetTimeouts(session.get(), kResolveTimeoutMs, kConnectTimeoutMs,
                     kTransferTimeoutMs, kTransferTimeoutMs);
  Handle connection(
      WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  if (!connection.get())
    return LastError();
  DWORD flags =
      parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
  Handle request(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(),
                                    nullptr, WINHTTP_NO_REFERER,
                                    WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
  if (!request.get())
    return LastError();
  if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                          WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
      !WinHttpReceiveResponse(request.get(), nullptr)) {
    return LastError();
  }

  DWORD status = 0;
  DWORD status_size = sizeof(status);
  if (!WinHttpQueryHeaders(
          request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
          WINHTTP_HEADER_NAME_BY_INDEX, &status, &status_size,
          WINHTTP_NO_HEADER_INDEX)) {
    return LastError();
  }

  std::vector<char> chunk(64 * 1024);
  for (;;) {
    DWORD read = 0;
    if (!WinHttpReadData(request.get(), chunk.data(),
                         static_cast<DWORD>(chunk.size()), &read)) {
      return LastError();
    }
    if (read == 0)
      break;
    if (body->size() + read > kMaxBodyBytes)
      return Failure(ERR_FILE_TOO_BIG);
    body->append(chunk.data(), read);
  }
  FetchResult result;
  result.http_status = static_cast<int>(status);
  return result;
}

}  // namespace cef_internal
