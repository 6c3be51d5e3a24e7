#pragma once

#include <memory>

#include "platform/StatusBar.h"

namespace nvx::platform {

// The system status bar (NSStatusBar systemStatusBar), asked for at each use.
class MacStatusBar final : public StatusBar {
 public:
  // An item of variable length: as wide as its content.
  std::unique_ptr<StatusItem> createStatusItem() override;
  void removeStatusItem(StatusItem& item) override;
};

}  // namespace nvx::platform
