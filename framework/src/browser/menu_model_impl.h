// A context menu's items: commands with labels, and separators.
#ifndef FRAMEWORK_SRC_BROWSER_MENU_MODEL_IMPL_H_
#define FRAMEWORK_SRC_BROWSER_MENU_MODEL_IMPL_H_

#include <windows.h>

#include <mutex>
#include <vector>

#include "include/cef_menu_model.h"

namespace cef_internal {

// The framework's own command ids, as the real framework numbers them.
constexpr int kMenuIdBack = 100;
constexpr int kMenuIdForward = 101;
constexpr int kMenuIdReload = 102;
constexpr int kMenuIdStopLoad = 104;
// Separators report this command id.
constexpr int kMenuIdSeparator = -1;

class MenuModelImpl : public CefMenuModel {
 public:
  MenuModelImpl();

  // Back, Forward, Reload: what a page's menu offers before handlers change it.
  void AddDefaultItems();
  // A Win32 popup menu with the same items; the caller destroys it.
  HMENU CreatePopupMenuHandle();

  // CefMenuModel:
  bool Clear() override;
  int GetCount() override;
  bool AddSeparator() override;
  bool AddItem(int command_id, const CefString& label) override;
  int GetCommandIdAt(int index) override;
  CefString GetLabelAt(int index) override;
  bool RemoveAt(int index) override;

 private:
  struct Item {
    int command_id;
    CefString label;
  };

  bool ValidIndex(int index) const;

  std::mutex lock_;
  std::vector<Item> items_;

  IMPLEMENT_REFCOUNTING(MenuModelImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_MENU_MODEL_IMPL_H_
