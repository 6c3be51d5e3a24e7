#include "MenuTree.h"

#include <limits>
#include <utility>

#include "DesktopMenu.h"

namespace nvx::platform {

void MenuTree::setRoot(DesktopMenu* root) {
  root_ = root;
  layoutChanged();
}

DesktopMenuItem* MenuTree::find(std::int32_t id) const {
  const auto it = entries_.find(id);
  return it == entries_.end() ? nullptr : it->second;
}

DesktopMenuItem* MenuTree::findShown(std::int32_t id) const {
  DesktopMenuItem* entry = find(id);
  if (!entry || !root_) return nullptr;
  for (const DesktopMenuItem* e = entry; e; e = e->menu()->parentItem()) {
    if (!e->menu()) return nullptr;
    if (e->menu() == root_) return entry;
  }
  return nullptr;
}

void MenuTree::takePending(Pending& into) {
  into.entries.clear();
  std::swap(into, pending_);
  pending_.layout = false;
}

std::int32_t MenuTree::add(DesktopMenuItem& entry) {
  // Ids count up from 1 (0 is the root); after the largest they start again, skipping the
  // live ones.
  do {
    lastId_ = lastId_ == std::numeric_limits<std::int32_t>::max() ? 1 : lastId_ + 1;
  } while (entries_.contains(lastId_));
  entries_.emplace(lastId_, &entry);
  return lastId_;
}

void MenuTree::remove(std::int32_t id) {
  entries_.erase(id);
}

void MenuTree::layoutChanged() {
  const bool first = !hasPending();
  pending_.layout = true;
  if (first) changed();
}

void MenuTree::propertiesChanged(std::int32_t id) {
  const bool first = !hasPending();
  pending_.entries.push_back(id);
  if (first) changed();
}

void MenuTree::cancelTracking(const DesktopMenu& menu) {
  if (&menu == root_ && onCancel_) onCancel_();
}

void MenuTree::changed() {
  if (onChange_) onChange_();
}

}  // namespace nvx::platform
