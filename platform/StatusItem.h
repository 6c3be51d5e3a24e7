#pragma once

#include "Menu.h"
#include "StatusButton.h"

namespace nvx::platform {

// One item in the system's status bar (a StatusNotifierItem on Linux). Destroying it takes it
// off the bar.
class StatusItem {
 public:
  virtual ~StatusItem() = default;
  StatusItem() = default;
  StatusItem(const StatusItem&) = delete;
  StatusItem& operator=(const StatusItem&) = delete;

  // The item's button, owned by the item; null when the system gives it none.
  virtual StatusButton* button() const = 0;

  // The menu a click opens; not owned, it must outlive the item or be replaced first.
  virtual void setMenu(Menu* menu) = 0;
};

}  // namespace nvx::platform
