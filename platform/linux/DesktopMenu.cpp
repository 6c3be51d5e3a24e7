#include "DesktopMenu.h"

#include <cassert>

#include "MenuTree.h"

namespace nvx::platform {

DesktopMenu::~DesktopMenu() {
  if (tree_.root() == this) tree_.setRoot(nullptr);
}

void DesktopMenu::removeAllItems() {
  // Move the entries out first, so that none is reachable while it is destroyed.
  std::vector<std::unique_ptr<DesktopMenuItem>> gone = std::move(items_);
  items_.clear();
  tree_.layoutChanged();
}

void DesktopMenu::addItem(std::unique_ptr<MenuItem> item) {
  auto* entry = dynamic_cast<DesktopMenuItem*>(item.get());
  assert((item == nullptr || entry != nullptr) && "an entry of another platform");
  if (!entry) return;
  item.release();
  entry->menu_ = this;
  items_.emplace_back(entry);
  tree_.layoutChanged();
}

void DesktopMenu::cancelTracking() {
  tree_.cancelTracking(*this);
}

}  // namespace nvx::platform
