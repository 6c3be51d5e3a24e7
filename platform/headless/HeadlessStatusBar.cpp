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

void HeadlessStatusBar::forget(HeadlessStatusItem* item) {
  std::erase(items_, item);
}

}  // namespace nvx::platform
