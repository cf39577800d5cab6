#include "src/browser/menu_model_impl.h"

namespace cef_internal {

MenuModelImpl::MenuModelImpl() {}

void MenuModelImpl::AddDefaultItems() {
  AddItem(kMenuIdBack, "&Back");
  AddItem(kMenuIdForward, "&Forward");
  AddSeparator();
  AddItem(kMenuIdReload, "Re&load");
}

HMENU MenuModelImpl::CreatePopupMenuHandle() {
  std::lock_guard<std::mutex> hold(lock_);
  HMENU menu = CreatePopupMenu();
  if (!menu)
    return nullptr;
  for (const Item& item : items_) {
    if (item.command_id == kMenuIdSeparator) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.command_id),
                  item.label.c_str());
    }
  }
  return menu;
}

bool MenuModelImpl::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  items_.clear();
  return true;
}

int MenuModelImpl::GetCount() {
  std::lock_guard<std::mutex> hold(lock_);
  return static_cast<int>(items_.size());
}

bool MenuModelImpl::AddSeparator() {
  std::lock_guard<std::mutex> hold(lock_);
  items_.push_back(Item{kMenuIdSeparator, CefString()});
  return true;
}

bool MenuModelImpl::AddItem(int command_id, const CefString& label) {
  if (command_id == kMenuIdSeparator)
    return false;
  std::lock_guard<std::mutex> hold(lock_);
  items_.push_back(Item{command_id, label});
  return true;
}

int MenuModelImpl::GetCommandIdAt(int index) {
  std::lock_guard<std::mutex> hold(lock_);
  return ValidIndex(index) ? items_[index].command_id : kMenuIdSeparator;
}

CefString MenuModelImpl::GetLabelAt(int index) {
  std::lock_guard<std::mutex> hold(lock_);
  return ValidIndex(index) ? items_[index].label : CefString();
}

bool MenuModelImpl::RemoveAt(int index) {
  std::lock_guard<std::mutex> hold(lock_);
  if (!ValidIndex(index))
    return false;
  items_.erase(items_.begin() + index);
  return true;
}

bool MenuModelImpl::ValidIndex(int index) const {
  return index >= 0 && index < static_cast<int>(items_.size());
}

}  // namespace cef_internal
