// Navigation and load events of one browser's frames. A navigation asks
// OnBeforeBrowse, fetches its document off the UI thread (each redirect's
// target is asked again, with is_redirect, and becomes the frame's URL),
// then commits it to the render side with kCommitNavigation. OnLoadStart follows when the
// render side answers kDocumentStarted, which it does once the document has
// its context; by then the document usually runs already (a short page may
// have loaded), as with the real framework. OnLoadEnd follows
// kDocumentLoaded. A failed fetch reports OnLoadError and leaves the frame
// as it was.
#ifndef FRAMEWORK_SRC_BROWSER_NAVIGATOR_H_
#define FRAMEWORK_SRC_BROWSER_NAVIGATOR_H_

#include <atomic>
#include <map>
#include <string>

#include "include/internal/cef_types.h"
#include "src/browser/fetch_result.h"
#include "src/browser/url_fetcher.h"

namespace cef_internal {

class BrowserImpl;
class FrameImpl;

class Navigator {
 public:
  explicit Navigator(BrowserImpl* browser);
  Navigator(const Navigator&) = delete;
  Navigator& operator=(const Navigator&) = delete;

  // UI thread only, from here down.
  void Navigate(FrameImpl* frame, const std::wstring& url);
  // Commits |source| under |url| at once, with the usual load events.
  void LoadSource(FrameImpl* frame,
                  const std::wstring& source,
                  const std::wstring& url);
  void Reload();
  // Aborts every navigation still fetching (ERR_ABORTED).
  void StopLoad();

  // OnLoadStart; a |waiting| document is then told to run.
  void OnDocumentStarted(int64 frame_id, bool waiting);
  void OnDocumentLoaded(int64 frame_id);

  // Any thread; for tests, which must see both orders. True: a committed
  // document waits until OnLoadStart has run, so script that OnLoadStart
  // sends runs before the page's own. False (the default): the document
  // runs at once and such script arrives later, usually after the load
  // event. The real framework promises neither.
  static void SetPageWaitsForLoadStart(bool waits);
  void OnSubframeCreated(int64 parent_id,
                         int64 frame_id,
                         const std::wstring& url,
                         const std::wstring& name);
  // Documents the render side was running will never report back.
  void OnRenderSideGone();
  // The render process could not be launched: navigations still fetching
  // end without events, as they do in the real framework, whose pages then
  // never load.
  void DropPending();
  // The browser closes: everything in flight is dropped without events.
  void DropAll();

  bool IsLoading() const { return loading_; }
  // True once a document was committed in the main frame.
  bool HasDocument() const { return has_document_; }

 private:
  struct FrameLoad {
    // The navigation still fetching (0: none), its URL (after the redirects
    // so far), how many it followed, and the flag that tells its fetch to
    // stop.
    int pending_id = 0;
    std::wstring pending_url;
    int redirects = 0;
    UrlFetcher::CancelFlag cancel;
    // Documents sent with kRunDocument whose kDocumentLoaded is still due.
    int running_documents = 0;
    int status = 0;
    // What Reload repeats.
    bool committed_from_string = false;
  };

  // Fetches |url| for |frame|, as its navigation still pending.
  void StartFetch(FrameImpl* frame, const std::wstring& url, int redirects);
  void OnFetched(int64 frame_id,
                 int navigation_id,
                 const std::wstring& url,
                 const FetchResult& result);
  // Asks OnBeforeBrowse about the next hop, then fetches it.
  void FollowRedirect(FrameImpl* frame,
                      const std::wstring& from,
                      const std::wstring& location,
                      int redirects);
  // False when the page's frames hold so much already that |units| more
  // do not fit.
  bool DocumentFits(FrameImpl* frame, size_t units);
  void Commit(FrameImpl* frame,
              const std::wstring& url,
              const std::wstring& source,
              int status);
  // Reports ERR_ABORTED for |frame|'s navigation still fetching, if any.
  void AbortPending(FrameImpl* frame);
  // Tells the fetch of |load|'s pending navigation to stop and forgets it.
  static void CancelFetch(FrameLoad* load);
  void ReportLoadError(FrameImpl* frame,
                       cef_errorcode_t error,
                       const std::wstring& url);
  void UpdateLoadingState();

  BrowserImpl* const browser_;
  std::map<int64, FrameLoad> loads_;
  // Read from any thread through CefBrowser.
  std::atomic<bool> loading_{false};
  std::atomic<bool> has_document_{false};
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_NAVIGATOR_H_
