#include "HeadlessMenu.h"

#include <utility>

#include "platform/OwnAs.h"
namespace nvx::platform {

HeadlessMenu::~HeadlessMenu() = default;

void HeadlessMenu::removeAllItems() {
  // Move the entries out first, so that none is reachable while it is destroyed.
  std::vector<std::unique_ptr<HeadlessMenuItem>> gone = std::move(items_);
  items_.clear();
}

void HeadlessMenu::addItem(std::unique_ptr<MenuItem> item) {
  auto headless = ownAs<HeadlessMenuItem>(std::move(item));
  if (!headless) return;
  headless->menu_ = this;
  items_.push_back(std::move(headless));
}

void HeadlessMenu::cancelTracking() {
  if (!open_) return;
  open_ = false;
  if (didClose_) didClose_();
}

HeadlessMenu& HeadlessMenu::root() {
  HeadlessMenu* menu = this;
  while (menu->parentItem_ && menu->parentItem_->menu_)
    menu = menu->parentItem_->menu_;
  return *menu;
}

void HeadlessMenu::open() {
  if (willOpen_) willOpen_();
  open_ = true;
}

}  // namespace nvx::platform
