#include "DesktopToolkit.h"

#include <string>

#include "platform/linux/menu/DesktopMenu.h"

namespace nvx::platform {

DesktopToolkit::DesktopToolkit(Bus& bus, MainLoop& mainLoop)
    : exporter_(bus, tree_), statusBar_(bus, tree_, exporter_), mainLoop_(mainLoop) {}

std::unique_ptr<Menu> DesktopToolkit::createMenu() {
  return std::make_unique<DesktopMenu>(tree_);
}

std::unique_ptr<MenuItem> DesktopToolkit::createMenuItem(std::string_view title,
                                                         MenuAction action) {
  return std::make_unique<DesktopMenuItem>(tree_, std::string(title), action, false);
}

std::unique_ptr<MenuItem> DesktopToolkit::createSeparatorItem() {
  return std::make_unique<DesktopMenuItem>(tree_, std::string(), MenuAction::None, true);
}

}  // namespace nvx::platform
