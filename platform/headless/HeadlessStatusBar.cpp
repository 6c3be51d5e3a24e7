#include "HeadlessStatusBar.h"

#include <algorithm>

namespace nvx::platform {

std::unique_ptr<StatusItem> HeadlessStatusBar::createStatusItem() {
  auto item = std::make_unique<HeadlessStatusItem>(*this, itemsHaveButton_);
  items_.push_back(item.get());
  return item;
}

void HeadlessStatusBar::removeStatusItem(StatusItem& item) {
  auto* headless = dynamic_cast<HeadlessStatusItem*>(&item);
  if (headless) headless->inStatusBar_ = false;
}

std::unique_ptr<HeadlessStatusButton> HeadlessStatusBar::createButton(HeadlessStatusItem& item) {
  return std::make_unique<HeadlessStatusButton>(item);
}

void HeadlessStatusBar::forget(HeadlessStatusItem* item) {
  std::erase(items_, item);
}

}  // namespace nvx::platform
