#include "platform/macos/MacToolkit.h"

#include "platform/macos/MacMenu.h"
#include "platform/macos/MacMenuItem.h"

namespace nvx::platform {

std::unique_ptr<Menu> MacToolkit::createMenu() { return std::make_unique<MacMenu>(); }

std::unique_ptr<MenuItem> MacToolkit::createMenuItem(std::string_view title, MenuAction action) {
  return std::make_unique<MacMenuItem>(title, action, false);
}

std::unique_ptr<MenuItem> MacToolkit::createSeparatorItem() {
  return std::make_unique<MacMenuItem>(std::string_view(), MenuAction::None, true);
}

}  // namespace nvx::platform
