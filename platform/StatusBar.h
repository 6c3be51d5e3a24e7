#pragma once

#include <memory>

#include "StatusItem.h"

namespace nvx::platform {

// The system's status bar (the menu bar extras on macOS, the tray on Linux).
class StatusBar {
 public:
  virtual ~StatusBar() = default;

  // A new item, as wide as its content, shown in the bar.
  virtual std::unique_ptr<StatusItem> createStatusItem() = 0;

  // Takes `item` off the bar; the object stays usable.
  virtual void removeStatusItem(StatusItem& item) = 0;
};

}  // namespace nvx::platform
