#include "DesktopStatusItem.h"

#include <cassert>

#include "DesktopStatusBar.h"
#include "platform/linux/menu/DesktopMenu.h"
#include "platform/linux/menu/MenuExporter.h"
#include "platform/linux/menu/MenuTree.h"

namespace nvx::platform {
namespace {

// The session's one exported item carries this number in its bus name.
constexpr int kItemNumber = 1;

}  // namespace

DesktopStatusItem::DesktopStatusItem(DesktopStatusBar& bar, Bus* bus, MenuTree& tree,
                                     MenuExporter& exporter)
    : bar_(bar),
      tree_(tree),
      exporter_(exporter),
      button_(std::make_unique<DesktopStatusButton>(*this)) {
  if (!bus) return;
  notifierItem_ = std::make_unique<StatusNotifierItem>(*bus, kItemNumber);
  tree_.setOnCancelTracking([this] { endAttention(); });
}

DesktopStatusItem::~DesktopStatusItem() {
  if (notifierItem_) {
    tree_.setOnCancelTracking(nullptr);
    if (menu_ && tree_.root() == menu_) tree_.setRoot(nullptr);
  }
  bar_.forget(this);
}

void DesktopStatusItem::setMenu(Menu* menu) {
  auto* desktop = dynamic_cast<DesktopMenu*>(menu);
  assert((menu == nullptr || desktop != nullptr) && "a menu of another platform");
  menu_ = desktop;
  if (notifierItem_) tree_.setRoot(menu_);
}

void DesktopStatusItem::remove() {
  notifierItem_.reset();
}

void DesktopStatusItem::showMenu() {
  if (!notifierItem_) return;
  notifierItem_->setNeedsAttention(true);
  exporter_.requestOpen();
}

void DesktopStatusItem::endAttention() {
  if (notifierItem_) notifierItem_->setNeedsAttention(false);
  exporter_.endAttention();
}

}  // namespace nvx::platform
