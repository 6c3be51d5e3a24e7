#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "DesktopMenuItem.h"
#include "platform/Menu.h"

namespace nvx::platform {

class MenuTree;

// A menu exported over dbusmenu: the root menu of the status item or an entry's submenu.
// Changing its list of entries is a layout change of its tree.
class DesktopMenu final : public Menu {
 public:
  // A menu of `tree`, which must outlive it.
  explicit DesktopMenu(MenuTree& tree) : tree_(tree) {}
  ~DesktopMenu() override;

  // Hosts enable entries exactly as told: there is nothing to enable by itself.
  void setAutoenablesItems(bool) override {}
  std::size_t itemCount() const override { return items_.size(); }
  MenuItem& item(std::size_t index) const override { return *items_.at(index); }
  void removeAllItems() override;

  // Takes over a DesktopMenuItem; anything else is a programming error and is dropped.
  void addItem(std::unique_ptr<MenuItem> item) override;

  // Hosts close their menus themselves; for the root menu this ends the check display.
  void cancelTracking() override;

  DesktopMenuItem& entry(std::size_t index) const { return *items_.at(index); }

  // The entry whose submenu this is; null for a top-level menu.
  DesktopMenuItem* parentItem() const { return parent_; }

 private:
  friend class DesktopMenuItem;

  MenuTree& tree_;
  std::vector<std::unique_ptr<DesktopMenuItem>> items_;
  DesktopMenuItem* parent_ = nullptr;
};

}  // namespace nvx::platform
