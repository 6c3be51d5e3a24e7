#include "HeadlessToolkit.h"

namespace nvx::platform {

HeadlessToolkit::HeadlessToolkit(HeadlessOptions options)
    : statusBar_(options.statusItemsHaveButton),
      fonts_(options.metrics),
      symbols_(options.symbolNames),
      externalLoop_(options.mainLoop) {}

void HeadlessToolkit::setObserver(HeadlessObserver* observer) {
  observer_ = observer;
  sharePicker_.setObserver(observer);
}

std::unique_ptr<Menu> HeadlessToolkit::createMenu() {
  auto menu = std::make_unique<HeadlessMenu>();
  if (observer_) {
    menu->setWillOpen([observer = observer_] { observer->menuOpened(); });
    menu->setDidClose([observer = observer_] { observer->menuClosed(); });
  }
  return menu;
}

std::unique_ptr<MenuItem> HeadlessToolkit::createMenuItem(std::string_view title,
                                                          MenuAction action) {
  return std::make_unique<HeadlessMenuItem>(nextItemId_++, std::string(title), action, false);
}

std::unique_ptr<MenuItem> HeadlessToolkit::createSeparatorItem() {
  return std::make_unique<HeadlessMenuItem>(nextItemId_++, std::string(), MenuAction::None, true);
}

}  // namespace nvx::platform
