#include "src/browser/url_fetcher.h"

#include <windows.h>

#include <exception>
#include <utility>

#include "src/browser/fetch_pool.h"
#include "src/browser/http_fetcher.h"
#include "src/core/document_text.h"
#include "src/core/message_loop.h"
#include "src/core/url_util.h"

namespace cef_internal {

namespace {

constexpr int kNonHttpStatus = 200;
// Raw bytes and their UTF-16 text, together, while a document is decoded.
constexpr size_t kBudgetPerByte = 3;

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

// Takes the fetch budget for |raw_bytes| and ties it to |result|; false when
// the process's fetches hold too much already.
bool TakeBudget(size_t raw_bytes, FetchResult* result) {
  const size_t bytes = raw_bytes * kBudgetPerByte;
  if (!FetchPool::Get()->TakeBytes(bytes))
    return false;
  result->budget = std::shared_ptr<void>(
      nullptr, [bytes](void*) { FetchPool::Get()->GiveBytes(bytes); });
  return true;
}

}  // namespace

FetchResult UrlFetcher::Fetch(const std::wstring& url,
                              const std::atomic<bool>* cancelled) {
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
    HttpUrlParts parts;
    if (!UrlUtil::ParseHttp(url, &parts))
      return Failure(ERR_INVALID_URL);
    std::string body;
    FetchResult result =
        HttpFetcher::Fetch(parts, kMaxDocumentBytes, cancelled, &body);
    if (result.error != ERR_NONE || !result.redirect_to.empty())
      return result;
    if (!TakeBudget(body.size(), &result))
      return Failure(ERR_INSUFFICIENT_RESOURCES);
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
  if (!DocumentText::ReadFileBytes(path, kMaxDocumentBytes, &bytes, &error))
    return Failure(FileError(error));
  FetchResult result;
  if (!TakeBudget(bytes.size(), &result))
    return Failure(ERR_INSUFFICIENT_RESOURCES);
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
    case ERR_INSUFFICIENT_RESOURCES:
      return L"net::ERR_INSUFFICIENT_RESOURCES";
    case ERR_TOO_MANY_REDIRECTS:
      return L"net::ERR_TOO_MANY_REDIRECTS";
    case ERR_UNSAFE_REDIRECT:
      return L"net::ERR_UNSAFE_REDIRECT";
    default:
      return L"net::ERR_FAILED";
  }
}

bool UrlFetcher::FetchAsync(const std::wstring& url,
                            CancelFlag cancel,
                            MessageLoop* reply_loop,
                            Callback done) {
  auto job = [url, cancel, reply_loop, done = std::move(done)]() mutable {
    FetchResult result;
    try {
      result = cancel->load() ? Failure(ERR_ABORTED) : Fetch(url, cancel.get());
    } catch (const std::exception&) {
      // Out of memory for this document: the page carries on without it.
      result = Failure(ERR_INSUFFICIENT_RESOURCES);
    }
    // |done| moves into the task so that what it holds is released on the
    // reply thread, never here.
    reply_loop->PostTask(
        [done = std::move(done), result]() mutable { done(result); });
  };
  try {
    return FetchPool::Get()->Post(std::move(job));
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace cef_internal
