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

void DesktopStatusButton::setImage(std::shared_ptr<Image> image) {
  image_ = std::move(image);
  changed();
}

std::string DesktopStatusButton::title() const {
  return title_ ? title_->string() : std::string();
}

void DesktopStatusButton::setAttributedTitle(AttributedString title) {
  title_ = std::move(title);
  changed();
}

void DesktopStatusButton::setAccessibilityTitle(std::string title) {
  accessibilityTitle_ = std::move(title);
  changed();
}

void DesktopStatusButton::setToolTip(std::string toolTip) {
  toolTip_ = std::move(toolTip);
  changed();
}

void DesktopStatusButton::performClick() {
  item_.showMenu();
}

void DesktopStatusButton::changed() {
  if (StatusNotifierItem* bus = item_.bus()) publish(*bus);
}

void DesktopStatusButton::publish(StatusNotifierItem& item) const {
  const std::string shown = title();
  item.setTitle(accessibilityTitle_ + shown);
  // Hosts put their own space between the icon and the label.
  const std::size_t start = shown.find_first_not_of(' ');
  item.setLabel(start == std::string::npos ? std::string_view()
                                           : std::string_view(shown).substr(start));
  item.setToolTip(toolTip_);
  // A template image is drawn in the menu bar's colour: a symbolic icon is, in the panel's.
  item.setIcon(std::dynamic_pointer_cast<const PixelImage>(image_), image_ && image_->isTemplate());
}

DesktopStatusItem::DesktopStatusItem(DesktopStatusBar& bar, Bus* bus, MenuTree& tree,
                                     MenuExporter& exporter)
    : bar_(bar),
      tree_(tree),
      exporter_(exporter),
      button_(std::make_unique<DesktopStatusButton>(*this)) {
  if (!bus) return;
  bus_ = std::make_unique<StatusNotifierItem>(*bus, kItemNumber);
  tree_.setOnCancelTracking([this] { endAttention(); });
}

DesktopStatusItem::~DesktopStatusItem() {
  if (bus_) {
    tree_.setOnCancelTracking(nullptr);
    if (menu_ && tree_.root() == menu_) tree_.setRoot(nullptr);
  }
  bar_.forget(this);
}

void DesktopStatusItem::setMenu(Menu* menu) {
  auto* desktop = dynamic_cast<DesktopMenu*>(menu);
  assert((menu == nullptr || desktop != nullptr) && "a menu of another platform");
  menu_ = desktop;
  if (bus_) tree_.setRoot(menu_);
}

void DesktopStatusItem::remove() {
  bus_.reset();
}

void DesktopStatusItem::showMenu() {
  if (!bus_) return;
  bus_->setNeedsAttention(true);
  exporter_.requestOpen();
}

void DesktopStatusItem::endAttention() {
  if (bus_) bus_->setNeedsAttention(false);
  exporter_.endAttention();
}

std::unique_ptr<StatusItem> DesktopStatusBar::createStatusItem() {
  auto item =
      std::make_unique<DesktopStatusItem>(*this, exported_ ? nullptr : &bus_, tree_, exporter_);
  if (!exported_) exported_ = item.get();
  return item;
}

void DesktopStatusBar::removeStatusItem(StatusItem& item) {
  if (auto* desktop = dynamic_cast<DesktopStatusItem*>(&item)) desktop->remove();
}

void DesktopStatusBar::forget(DesktopStatusItem* item) {
  if (exported_ == item) exported_ = nullptr;
}

}  // namespace nvx::platform
