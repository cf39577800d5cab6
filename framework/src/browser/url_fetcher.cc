#include "src/browser/url_fetcher.h"

#include <windows.h>

#include <thread>
#include <utility>

#include "src/browser/http_fetcher.h"
#include "src/core/document_text.h"
#include "src/core/message_loop.h"
#include "src/core/url_util.h"

namespace cef_internal {

namespace {

constexpr size_t kMaxFileBytes = 64 * 1024 * 1024;
constexpr int kNonHttpStatus = 200;

FetchResult Failure(cef_errorcode_t error) {
  FetchResult result;
  result.error = error;
  return result;
}

cef_errorcode_t FileError(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return ERR_ACCESS_DENIED;
    case ERROR_FILE_TOO_LARGE:
      return ERR_FILE_TOO_BIG;
    default:
      return ERR_FILE_NOT_FOUND;
  }
}

}  // namespace

FetchResult UrlFetcher::Fetch(const std::wstring& url) {
  std::wstring scheme = UrlUtil::Scheme(url);
  if (scheme.empty())
    return Failure(ERR_INVALID_URL);
  if (scheme == L"about") {
    if (url.compare(6, std::wstring::npos, L"blank") != 0)
      return Failure(ERR_UNKNOWN_URL_SCHEME);
    FetchResult blank;
    blank.http_status = kNonHttpStatus;
    return blank;
  }
  if (scheme == L"file")
    return FetchFile(url);
  if (scheme == L"http" || scheme == L"https") {
    std::string body;
    FetchResult result = HttpFetcher::Fetch(url, &body);
    if (result.error == ERR_NONE)
      result.source = DocumentText::Decode(body);
    return result;
  }
  return Failure(ERR_UNKNOWN_URL_SCHEME);
}

FetchResult UrlFetcher::FetchFile(const std::wstring& url) {
  std::wstring path;
  if (!UrlUtil::FileUrlToPath(url, &path))
    return Failure(ERR_INVALID_URL);
  std::string bytes;
  DWORD error = 0;
  if (!DocumentText::ReadFileBytes(path, kMaxFileBytes, &bytes, &error))
    return Failure(FileError(error));
  FetchResult result;
  result.http_status = kNonHttpStatus;
  result.source = DocumentText::Decode(bytes);
  return result;
}

std::wstring UrlFetcher::ErrorText(cef_errorcode_t error) {
  switch (error) {
    case ERR_ABORTED:
      return L"net::ERR_ABORTED";
    case ERR_FILE_NOT_FOUND:
      return L"net::ERR_FILE_NOT_FOUND";
    case ERR_ACCESS_DENIED:
      return L"net::ERR_ACCESS_DENIED";
    case ERR_FILE_TOO_BIG:
      return L"net::ERR_FILE_TOO_BIG";
    case ERR_CONNECTION_RESET:
      return L"net::ERR_CONNECTION_RESET";
    case ERR_CONNECTION_REFUSED:
      return L"net::ERR_CONNECTION_REFUSED";
    case ERR_NAME_NOT_RESOLVED:
      return L"net::ERR_NAME_NOT_RESOLVED";
    case ERR_CONNECTION_TIMED_OUT:
      return L"net::ERR_CONNECTION_TIMED_OUT";
    case ERR_INVALID_URL:
      return L"net::ERR_INVALID_URL";
    case ERR_UNKNOWN_URL_SCHEME:
      return L"net::ERR_UNKNOWN_URL_SCHEME";
    case ERR_EMPTY_RESPONSE:
      return L"net::ERR_EMPTY_RESPONSE";
    default:
      return L"net::ERR_FAILED";
  }
}

void UrlFetcher::FetchAsync(const std::wstring& url,
                            MessageLoop* reply_loop,
                            Callback done) {
  // Detached: a slow server must not hold up shutdown; a late reply finds its
  // navigation gone and is dropped by |done|'s owner.
  std::thread([url, reply_loop, done = std::move(done)]() mutable {
    FetchResult result = Fetch(url);
    // |done| moves into the task so that what it holds is released on the
    // reply thread, never here.
    reply_loop->PostTask(
        [done = std::move(done), result]() mutable { done(result); });
  }).detach();
}

}  // namespace cef_internal
