#pragma once

#include <systemd/sd-bus.h>

#include <memory>
#include <string_view>

#include "platform/FixedAdvanceFonts.h"
#include "platform/Toolkit.h"
#include "platform/linux/images/IconThemeSymbols.h"
#include "platform/linux/item/DesktopStatusBar.h"
#include "platform/linux/menu/MenuExporter.h"
#include "platform/linux/menu/MenuTree.h"

namespace nvx::platform {

// The platform of a Linux desktop session: the status item and its menu on the session bus
// (StatusNotifierItem and dbusmenu), timers on the GLib main loop. Text is measured with the
// in-memory metrics, because no tray host draws tab stops: the detail column's location
// only has to be the same number everywhere. There is no share picker on Linux.
class DesktopToolkit final : public Toolkit {
 public:
  // Exports the status item and its menu on `bus`; it and `mainLoop` must outlive the
  // platform.
  DesktopToolkit(Bus& bus, MainLoop& mainLoop);
  DesktopToolkit(const DesktopToolkit&) = delete;
  DesktopToolkit& operator=(const DesktopToolkit&) = delete;

  StatusBar& statusBar() override { return statusBar_; }
  Fonts& fonts() override { return fonts_; }
  SymbolImages& symbolImages() override { return symbols_; }
  SharePicker* sharePicker() override { return nullptr; }
  MainLoop& mainLoop() override { return mainLoop_; }

  std::unique_ptr<Menu> createMenu() override;
  std::unique_ptr<MenuItem> createMenuItem(std::string_view title, MenuAction action) override;
  std::unique_ptr<MenuItem> createSeparatorItem() override;

 private:
  // Declared in order of need: the tree outlives everything that reports to it.
  MenuTree tree_;
  MenuExporter exporter_;
  DesktopStatusBar statusBar_;
  FixedAdvanceFonts fonts_;
  IconThemeSymbols symbols_;
  MainLoop& mainLoop_;
};

}  // namespace nvx::platform
