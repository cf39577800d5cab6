#include "src/browser/navigator.h"

#include <vector>

#include "include/cef_request.h"
#include "src/browser/browser_impl.h"
#include "src/browser/url_fetcher.h"
#include "src/channel/channel.h"
#include "src/core/message_loop.h"
#include "src/core/url_util.h"
#include "src/renderer/url_resolver.h"

namespace cef_internal {

namespace {

// Off: as the real framework mostly does, a committed document runs at once
// and OnLoadStart's script arrives after it. On: the document waits until
// OnLoadStart has run, so such a script runs before the page's own.
std::atomic<bool> g_page_waits_for_load_start{false};

}  // namespace

namespace {

constexpr int kLoadStringStatus = 200;
// As the real framework's network stack: more hops than this fail.
constexpr int kMaxRedirects = 20;
// The documents of one page's frames together, in UTF-16 units: what a
// render process can hold beside its script heaps.
constexpr size_t kMaxPageSourceUnits = 32 * 1024 * 1024;

// Process-wide so that a late fetch result can never match a newer
// navigation, whatever browser or framework instance it belonged to.
int g_last_navigation_id = 0;

CefRefPtr<CefLoadHandler> LoadHandlerOf(BrowserImpl* browser) {
  CefRefPtr<CefClient> client = browser->client();
  return client ? client->GetLoadHandler() : nullptr;
}

}  // namespace

Navigator::Navigator(BrowserImpl* browser) : browser_(browser) {}

void Navigator::Navigate(FrameImpl* frame_ptr, const std::wstring& raw_url) {
  CefRefPtr<FrameImpl> frame(frame_ptr);
  CefRefPtr<CefClient> client = browser_->client();
  if (!client || !frame->IsValid())
    return;
  std::wstring url = UrlUtil::Canonicalize(raw_url);
  CefRefPtr<CefRequestHandler> handler = client->GetRequestHandler();
  if (handler) {
    CefRefPtr<CefRequest> request = CefRequest::Create();
    request->SetURL(url);
    request->SetMethod("GET");
    if (handler->OnBeforeBrowse(browser_, frame.get(), request, false))
      return;
    if (browser_->IsClosed() || !frame->IsValid())
      return;
  }
  AbortPending(frame);
  if (browser_->IsClosed() || !frame->IsValid())
    return;

  StartFetch(frame, url, 0);
}

void Navigator::StartFetch(FrameImpl* frame,
                           const std::wstring& url,
                           int redirects) {
  const int64 frame_id = frame->GetIdentifier();
  const int navigation_id = ++g_last_navigation_id;
  FrameLoad& load = loads_[frame_id];
  load.pending_id = navigation_id;
  load.pending_url = url;
  load.redirects = redirects;
  load.cancel = std::make_shared<std::atomic<bool>>(false);
  UpdateLoadingState();

  CefRefPtr<BrowserImpl> browser(browser_);
  if (!UrlFetcher::FetchAsync(
          url, load.cancel, MessageLoop::Main(),
          [browser, frame_id, navigation_id, url](const FetchResult& result) {
            if (!browser->IsClosed()) {
              browser->navigator()->OnFetched(frame_id, navigation_id, url,
                                              result);
            }
          })) {
    // No worker to fetch with: the frame fails now.
    CancelFetch(&load);
    ReportLoadError(frame, ERR_INSUFFICIENT_RESOURCES, url);
    UpdateLoadingState();
  }
}

void Navigator::LoadSource(FrameImpl* frame_ptr,
                           const std::wstring& source,
                           const std::wstring& url) {
  CefRefPtr<FrameImpl> frame(frame_ptr);
  if (browser_->IsClosed() || !frame->IsValid())
    return;
  AbortPending(frame);
  if (browser_->IsClosed() || !frame->IsValid())
    return;
  loads_[frame->GetIdentifier()].committed_from_string = true;
  Commit(frame, url, source, kLoadStringStatus);
}

void Navigator::Reload() {
  CefRefPtr<FrameImpl> frame = browser_->main_frame();
  if (!frame || !frame->IsValid())
    return;
  CefString url = frame->GetURL();
  if (loads_[frame->GetIdentifier()].committed_from_string)
    LoadSource(frame, frame->source(), url);
  else if (!url.empty())
    Navigate(frame, url);
}

void Navigator::StopLoad() {
  std::vector<int64> fetching;
  for (const auto& entry : loads_) {
    if (entry.second.pending_id)
      fetching.push_back(entry.first);
  }
  for (int64 id : fetching) {
    CefRefPtr<FrameImpl> frame = browser_->FindFrame(id);
    if (frame)
      AbortPending(frame);
  }
  UpdateLoadingState();
}

void Navigator::OnFetched(int64 frame_id,
                          int navigation_id,
                          const std::wstring& url,
                          const FetchResult& result) {
  auto it = loads_.find(frame_id);
  if (it == loads_.end() || it->second.pending_id != navigation_id)
    return;  // Superseded, stopped or its frame is gone.
  const int redirects = it->second.redirects;
  CancelFetch(&it->second);
  CefRefPtr<FrameImpl> frame = browser_->FindFrame(frame_id);
  if (!frame) {
    UpdateLoadingState();
    return;
  }
  if (result.error == ERR_NONE && !result.redirect_to.empty()) {
    FollowRedirect(frame, url, result.redirect_to, redirects + 1);
    return;
  }
  cef_errorcode_t error = result.error;
  if (error == ERR_NONE && !DocumentFits(frame, result.source.size()))
    error = ERR_INSUFFICIENT_RESOURCES;
  if (error != ERR_NONE) {
    ReportLoadError(frame, error, url);
    UpdateLoadingState();
    return;
  }
  it->second.committed_from_string = false;
  Commit(frame, url, result.source, result.http_status);
}

void Navigator::FollowRedirect(FrameImpl* frame_ptr,
                               const std::wstring& from,
                               const std::wstring& location,
                               int redirects) {
  CefRefPtr<FrameImpl> frame(frame_ptr);
  const std::wstring url =
      UrlUtil::Canonicalize(UrlResolver::Resolve(from, location));
  const std::wstring scheme = UrlUtil::Scheme(url);
  cef_errorcode_t error = ERR_NONE;
  if (redirects > kMaxRedirects)
    error = ERR_TOO_MANY_REDIRECTS;
  else if (scheme != L"http" && scheme != L"https")
    error = ERR_UNSAFE_REDIRECT;
  if (error != ERR_NONE) {
    ReportLoadError(frame, error, from);
    UpdateLoadingState();
    return;
  }
  // The frame's URL becomes the redirect's target, as with the real
  // framework: its handlers judge every hop.
  CefRefPtr<CefClient> client = browser_->client();
  CefRefPtr<CefRequestHandler> handler =
      client ? client->GetRequestHandler() : nullptr;
  if (handler) {
    CefRefPtr<CefRequest> request = CefRequest::Create();
    request->SetURL(url);
    request->SetMethod("GET");
    if (handler->OnBeforeBrowse(browser_, frame.get(), request, true)) {
      if (!browser_->IsClosed() && frame->IsValid())
        ReportLoadError(frame, ERR_ABORTED, url);
      if (!browser_->IsClosed())
        UpdateLoadingState();
      return;
    }
    if (browser_->IsClosed() || !frame->IsValid())
      return;
    // The handler may have started another navigation of the frame.
    auto load = loads_.find(frame->GetIdentifier());
    if (load != loads_.end() && load->second.pending_id)
      return;
  }
  StartFetch(frame, url, redirects);
}

bool Navigator::DocumentFits(FrameImpl* frame, size_t units) {
  // A main document replaces every frame's.
  const size_t held =
      frame->IsMain() ? 0 : browser_->SourceUnitsExcept(frame->GetIdentifier());
  return units <= kMaxPageSourceUnits && held <= kMaxPageSourceUnits - units;
}

void Navigator::Commit(FrameImpl* frame_ptr,
                       const std::wstring& url,
                       const std::wstring& source,
                       int status) {
  CefRefPtr<FrameImpl> frame(frame_ptr);
  const int64 frame_id = frame->GetIdentifier();
  if (frame->IsMain()) {
    // A render side that ended is replaced by the next main document.
    browser_->EnsureRenderSide();
    // The new document's sub-frames will be announced afresh.
    browser_->DropSubframes();
    for (auto it = loads_.begin(); it != loads_.end();) {
      if (it->first == frame_id) {
        ++it;
        continue;
      }
      CancelFetch(&it->second);
      it = loads_.erase(it);
    }
    has_document_ = true;
  }
  frame->SetCommitted(url, source);
  FrameLoad& load = loads_[frame_id];
  ++load.running_documents;
  load.status = status;
  UpdateLoadingState();

  const int browser_id = browser_->GetIdentifier();
  CefRefPtr<CefListValue> commit = CefListValue::Create();
  commit->SetInt(0, browser_id);
  commit->SetDouble(1, static_cast<double>(frame_id));
  commit->SetString(2, url);
  commit->SetString(3, source);
  commit->SetBool(4, !g_page_waits_for_load_start);
  browser_->SendToRenderer(Op::kCommitNavigation, commit);

  CefRefPtr<CefClient> client = browser_->client();
  CefRefPtr<CefDisplayHandler> display =
      client ? client->GetDisplayHandler() : nullptr;
  if (display && frame->IsMain())
    display->OnAddressChange(browser_, frame.get(), url);
}

void Navigator::OnDocumentStarted(int64 frame_id, bool waiting) {
  CefRefPtr<FrameImpl> frame = browser_->FindFrame(frame_id);
  if (frame) {
    CefRefPtr<CefLoadHandler> handler = LoadHandlerOf(browser_);
    if (handler)
      handler->OnLoadStart(browser_, frame.get());
  }
  // A waiting document runs whatever happened meanwhile, so that its
  // kDocumentLoaded still comes.
  if (!waiting || browser_->IsClosed())
    return;
  CefRefPtr<CefListValue> run = CefListValue::Create();
  run->SetInt(0, browser_->GetIdentifier());
  run->SetDouble(1, static_cast<double>(frame_id));
  browser_->SendToRenderer(Op::kRunDocument, run);
}

// static
void Navigator::SetPageWaitsForLoadStart(bool waits) {
  g_page_waits_for_load_start = waits;
}

void Navigator::OnDocumentLoaded(int64 frame_id) {
  auto it = loads_.find(frame_id);
  if (it == loads_.end() || it->second.running_documents == 0)
    return;
  // Only the latest committed document of the frame reports its end.
  if (--it->second.running_documents > 0)
    return;
  const int status = it->second.status;
  CefRefPtr<FrameImpl> frame = browser_->FindFrame(frame_id);
  if (!frame)
    return;
  CefRefPtr<CefLoadHandler> handler = LoadHandlerOf(browser_);
  if (handler)
    handler->OnLoadEnd(browser_, frame.get(), status);
  if (!browser_->IsClosed())
    UpdateLoadingState();
}

void Navigator::OnSubframeCreated(int64 parent_id,
                                  int64 frame_id,
                                  const std::wstring& url,
                                  const std::wstring& name) {
  if (BrowserIdOfFrame(frame_id) != browser_->GetIdentifier() ||
      frame_id == MainFrameId(browser_->GetIdentifier()) ||
      browser_->FindFrame(frame_id) || !browser_->FindFrame(parent_id) ||
      browser_->GetFrameCount() >= kMaxFramesPerPage) {
    return;
  }
  // The render side answers documents in order: while a newer document of
  // the parent is committed behind the running one, what arrives belongs to
  // the old document, whose frames are gone.
  auto parent = loads_.find(parent_id);
  if (parent != loads_.end() && parent->second.running_documents > 1)
    return;
  CefRefPtr<FrameImpl> frame =
      new FrameImpl(browser_, frame_id, parent_id, name);
  browser_->AddFrame(frame);
  Navigate(frame, url.empty() ? std::wstring(L"about:blank") : url);
}

void Navigator::OnRenderSideGone() {
  for (auto& entry : loads_)
    entry.second.running_documents = 0;
  UpdateLoadingState();
}

void Navigator::DropPending() {
  for (auto& entry : loads_)
    CancelFetch(&entry.second);
}

void Navigator::DropAll() {
  for (auto& entry : loads_)
    CancelFetch(&entry.second);
  loads_.clear();
  loading_ = false;
}

void Navigator::AbortPending(FrameImpl* frame) {
  auto it = loads_.find(frame->GetIdentifier());
  if (it == loads_.end() || !it->second.pending_id)
    return;
  std::wstring url = it->second.pending_url;
  CancelFetch(&it->second);
  ReportLoadError(frame, ERR_ABORTED, url);
}

// static
void Navigator::CancelFetch(FrameLoad* load) {
  if (load->cancel)
    load->cancel->store(true);
  load->cancel.reset();
  load->pending_id = 0;
  load->pending_url.clear();
  load->redirects = 0;
}

void Navigator::ReportLoadError(FrameImpl* frame,
                                cef_errorcode_t error,
                                const std::wstring& url) {
  CefRefPtr<CefLoadHandler> handler = LoadHandlerOf(browser_);
  if (handler) {
    handler->OnLoadError(browser_, frame, error, UrlFetcher::ErrorText(error),
                         url);
  }
}

void Navigator::UpdateLoadingState() {
  bool loading = false;
  for (const auto& entry : loads_) {
    if (entry.second.pending_id || entry.second.running_documents)
      loading = true;
  }
  if (loading == loading_)
    return;
  loading_ = loading;
  CefRefPtr<CefLoadHandler> handler = LoadHandlerOf(browser_);
  if (handler)
    handler->OnLoadingStateChange(browser_, loading, false, false);
}

}  // namespace cef_internal
