#pragma once

#include <memory>

#include "platform/StatusBar.h"

namespace nvx::platform {

class Bus;
class DesktopStatusItem;
class MenuExporter;
class MenuTree;

// The tray of a desktop session: its items are StatusNotifierItems on `bus`.
class DesktopStatusBar final : public StatusBar {
 public:
  // `bus`, `tree` and `exporter` must outlive the bar and its items.
  DesktopStatusBar(Bus& bus, MenuTree& tree, MenuExporter& exporter)
      : bus_(bus), tree_(tree), exporter_(exporter) {}
  DesktopStatusBar(const DesktopStatusBar&) = delete;
  DesktopStatusBar& operator=(const DesktopStatusBar&) = delete;

  // A new item, exported unless another exported item lives (one menu path per session).
  std::unique_ptr<StatusItem> createStatusItem() override;
  void removeStatusItem(StatusItem& item) override;

 private:
  friend class DesktopStatusItem;
  void forget(DesktopStatusItem* item);

  Bus& bus_;
  MenuTree& tree_;
  MenuExporter& exporter_;
  DesktopStatusItem* exported_ = nullptr;
};

}  // namespace nvx::platform
