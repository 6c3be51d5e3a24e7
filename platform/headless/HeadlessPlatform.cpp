#include "HeadlessPlatform.h"

namespace nvx::platform {

HeadlessPlatform::HeadlessPlatform(HeadlessOptions options)
    : statusBar_(options.statusItemsHaveButton),
      fonts_(options.metrics),
      symbols_(options.symbolNames) {}

std::unique_ptr<Menu> HeadlessPlatform::createMenu() {
  return std::make_unique<HeadlessMenu>();
}

std::unique_ptr<MenuItem> HeadlessPlatform::createMenuItem(std::string_view title,
                                                           MenuAction action) {
  return std::make_unique<HeadlessMenuItem>(nextItemId_++, std::string(title), action, false);
}

std::unique_ptr<MenuItem> HeadlessPlatform::createSeparatorItem() {
  return std::make_unique<HeadlessMenuItem>(nextItemId_++, std::string(), MenuAction::None, true);
}

}  // namespace nvx::platform
