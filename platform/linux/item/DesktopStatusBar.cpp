#include "DesktopStatusBar.h"

#include "DesktopStatusItem.h"

namespace nvx::platform {

std::unique_ptr<StatusItem> DesktopStatusBar::createStatusItem() {
  auto item =
      std::make_unique<DesktopStatusItem>(*this, exported_ ? nullptr : &bus_, tree_, exporter_);
  if (!exported_) exported_ = item.get();
  return item;
}

void DesktopStatusBar::removeStatusItem(StatusItem& item) {
  if (auto* desktop = dynamic_cast<DesktopStatusItem*>(&item)) desktop->remove();
}

void DesktopStatusBar::forget(DesktopStatusItem* item) {
  if (exported_ == item) exported_ = nullptr;
}

}  // namespace nvx::platform
