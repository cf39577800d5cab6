#include "src/browser/http_fetcher.h"

#include <windows.h>

#include <winhttp.h>

#include <vector>

namespace cef_internal {

namespace {

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

bool IsRedirect(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 ||
         status == 308;
}

std::wstring LocationOf(HINTERNET request) {
  DWORD size = 0;
  WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION,
                      WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                      &size, WINHTTP_NO_HEADER_INDEX);
  // The same bound as a document: a header is no way round it.
  if (!size || size > 2 * 1024 * 1024)
    return std::wstring();
  std::wstring location(size / sizeof(wchar_t) + 1, L'\0');
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION,
                           WINHTTP_HEADER_NAME_BY_INDEX, &location[0], &size,
                           WINHTTP_NO_HEADER_INDEX)) {
    return std::wstring();
  }
  location.resize(size / sizeof(wchar_t));
  return location;
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

FetchResult HttpFetcher::Fetch(const HttpUrlParts& url,
                               size_t max_bytes,
                               const std::atomic<bool>* cancelled,
                               std::string* body) {
  body->clear();
  Handle session(WinHttpOpen(L"Mozilla/5.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                             WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS,
                             0));
  if (!session.get())
    return LastError();
  WinHttpSetTimeouts(session.get(), kResolveTimeoutMs, kConnectTimeoutMs,
                     kTransferTimeoutMs, kTransferTimeoutMs);
  // Host, port and request line come from the parse the frame reports, never
  // from WinHTTP's own (which reads "http://a?@b/" as host b).
  Handle connection(WinHttpConnect(session.get(), url.host.c_str(),
                                   static_cast<INTERNET_PORT>(url.port), 0));
  if (!connection.get())
    return LastError();
  DWORD flags = url.secure ? WINHTTP_FLAG_SECURE : 0;
  Handle request(WinHttpOpenRequest(
      connection.get(), L"GET", url.target.c_str(), nullptr, WINHTTP_NO_REFERER,
      WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
  if (!request.get())
    return LastError();
  // Each hop of a redirect is the navigation's to judge.
  DWORD no_redirects = WINHTTP_DISABLE_REDIRECTS;
  WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &no_redirects,
                   sizeof(no_redirects));
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
  FetchResult result;
  result.http_status = static_cast<int>(status);
  if (IsRedirect(status)) {
    result.redirect_to = LocationOf(request.get());
    if (!result.redirect_to.empty())
      return result;
  }

  std::vector<char> chunk(64 * 1024);
  for (;;) {
    if (cancelled && cancelled->load())
      return Failure(ERR_ABORTED);
    DWORD read = 0;
    if (!WinHttpReadData(request.get(), chunk.data(),
                         static_cast<DWORD>(chunk.size()), &read)) {
      return LastError();
    }
    if (read == 0)
      break;
    if (read > max_bytes - body->size())
      return Failure(ERR_FILE_TOO_BIG);
    body->append(chunk.data(), read);
  }
  return result;
}

}  // namespace cef_internal
