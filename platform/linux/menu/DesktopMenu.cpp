#include "DesktopMenu.h"

#include "MenuTree.h"
#include "platform/OwnAs.h"

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
  auto entry = ownAs<DesktopMenuItem>(std::move(item));
  if (!entry) return;
  entry->menu_ = this;
  items_.push_back(std::move(entry));
  tree_.layoutChanged();
}

void DesktopMenu::cancelTracking() {
  tree_.cancelTracking(*this);
}

}  // namespace nvx::platform
