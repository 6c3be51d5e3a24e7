#pragma once

#include <gio/gio.h>

#include <memory>

#include "platform/StatusBar.h"

namespace nvx::platform {

class DesktopStatusItem;
class MenuExporter;
class MenuTree;

// The tray of a desktop session: its items are StatusNotifierItems on `connection`.
class DesktopStatusBar final : public StatusBar {
 public:
  // `connection`, `tree` and `exporter` must outlive the bar and its items.
  DesktopStatusBar(GDBusConnection* connection, MenuTree& tree, MenuExporter& exporter)
      : connection_(connection), tree_(tree), exporter_(exporter) {}
  DesktopStatusBar(const DesktopStatusBar&) = delete;
  DesktopStatusBar& operator=(const DesktopStatusBar&) = delete;

  // A new item, exported unless another exported item lives (one menu path per session).
  std::unique_ptr<StatusItem> createStatusItem() override;
  void removeStatusItem(StatusItem& item) override;

 private:
  friend class DesktopStatusItem;
  void forget(DesktopStatusItem* item);

  GDBusConnection* connection_;
  MenuTree& tree_;
  MenuExporter& exporter_;
  DesktopStatusItem* exported_ = nullptr;
};

}  // namespace nvx::platform
