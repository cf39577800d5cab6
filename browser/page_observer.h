// Told about main-frame load ends and "Onjump" queries. The host registers
// observers with EmbedBrowserHandler::AddObserver and keeps them alive until
// it removes them.
#ifndef BROWSER_PAGE_OBSERVER_H_
#define BROWSER_PAGE_OBSERVER_H_

class PageObserver {
 public:
  // A main frame finished loading.
  virtual void OnMainFrameLoaded() = 0;
  // An "Onjump" query hid the querying browser's window.
  virtual void OnJump() = 0;

 protected:
  virtual ~PageObserver() {}
};

#endif  // BROWSER_PAGE_OBSERVER_H_
