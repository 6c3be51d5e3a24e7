#include "StatusMenu.h"

#include <utility>

#include "MenuDump.h"
#include "Style.h"
#include "TabStop.h"
#include "Text.h"

namespace nvx {

using platform::FontRole;
using platform::MenuAction;

StatusMenu::StatusMenu(std::shared_ptr<platform::Image> image, OnAction onAction,
                       platform::Toolkit& toolkit)
    : toolkit_(toolkit),
      menu_(toolkit.createMenu()),
      onAction_(std::move(onAction)),
      appImage_(std::move(image)),
      self_(std::make_shared<StatusMenu*>(this)) {
  statusItem_ = toolkit_.statusBar().createStatusItem();
  platform::StatusButton* button = statusItem_->button();
  if (appImage_) {
    // The template flag stays as loaded until the first update.
    appImage_->setSize(kIconSize);
    if (button) button->setImage(appImage_);
  }
  if (button) {
    button->setImagePosition(platform::ImagePosition::Leading);
    button->setAccessibilityTitle(std::string(kAccessibilityTitle));
  }
  menu_->setAutoenablesItems(false);
  statusItem_->setMenu(menu_.get());
}

StatusMenu::~StatusMenu() = default;

void StatusMenu::update(StatusMenuModel model) {
  updateTitle(model.title);
  if (auto* button = statusItem_->button()) button->setToolTip(std::string(model.tooltip));
  updateIcon(model.iconStyle);

  if (sameShape(model.items, shown_.items) && menu_->itemCount() == model.items.size()) {
    refreshAll(model.items);
  } else {
    rebuild(model.items);
  }
  shown_ = std::move(model);
}

void StatusMenu::updateTitle(std::string_view title) {
  platform::StatusButton* button = statusItem_->button();
  if (!button) return;
  const std::string shown = title.empty() ? std::string() : " " + std::string(title);
  // Writing an equal title again would make the bar redraw (and a D-Bus host re-fetch).
  if (sameText(button->title(), shown)) return;
  button->setAttributedTitle(
      platform::AttributedString(shown, {FontRole::MonospacedDigitSemibold}));
}

void StatusMenu::updateIcon(std::optional<std::string_view> iconStyle) {
  if (!appImage_) return;
  const bool black = iconStyle && sameText(*iconStyle, kIconStyleBlack);
  std::shared_ptr<platform::Image> image = appImage_;
  if (black) {
    // A copy of its own, so that the shared image keeps its colours.
    if (auto copy = appImage_->copy()) image = std::move(copy);
  }
  image->setTemplate(black);
  image->setSize(kIconSize);
  platform::StatusButton* button = statusItem_->button();
  if (button && button->image() != image) button->setImage(std::move(image));
}

void StatusMenu::refreshAll(const std::vector<Item>& items) {
  const double tab = tabStop(items, toolkit_.fonts());
  for (std::size_t i = 0; i < items.size() && i < menu_->itemCount(); ++i) {
    if (items[i].id) refresh(menu_->item(i), items[i], tab);
  }
}

void StatusMenu::rebuild(const std::vector<Item>& items) {
  menu_->removeAllItems();
  const double tab = tabStop(items, toolkit_.fonts());
  for (const Item& item : items) {
    auto entry = build(item, tab);
    menu_->addItem(entry ? std::move(entry) : toolkit_.createSeparatorItem());
  }
}

// Recursion depth is the nesting depth of `children`, which decoding bounds.
std::unique_ptr<platform::MenuItem> StatusMenu::build(const Item& item, double tab) {
  if (!item.id) return nullptr;
  auto entry = toolkit_.createMenuItem("", MenuAction::Chosen);
  entry->setTarget(this);
  style(*entry, item, tab, toolkit_);
  if (item.children) {
    auto submenu = toolkit_.createMenu();
    submenu->setAutoenablesItems(false);
    for (const Item& child : *item.children) {
      auto childEntry = build(child, 0);
      submenu->addItem(childEntry ? std::move(childEntry) : toolkit_.createSeparatorItem());
    }
    entry->setSubmenu(std::move(submenu));
    // An entry with a submenu only opens it; it is never reported as chosen.
    entry->setAction(MenuAction::None);
  }
  entry->setEnabled(!item.disabled.value_or(false));
  return entry;
}

void StatusMenu::refresh(platform::MenuItem& entry, const Item& item, double tab) {
  style(entry, item, tab, toolkit_);
  entry.setEnabled(!item.disabled.value_or(false));
  if (!item.children) return;
  platform::Menu* submenu = entry.submenu();
  if (!submenu) return;
  const auto& children = *item.children;
  for (std::size_t i = 0; i < children.size() && i < submenu->itemCount(); ++i) {
    if (children[i].id) refresh(submenu->item(i), children[i], 0);
  }
}

void StatusMenu::stop() {
  toolkit_.statusBar().removeStatusItem(*statusItem_);
}

void StatusMenu::chosen(platform::MenuItem& sender) {
  if (!sender.representedObject()) return;
  // A copy: the callback may apply a new description and so destroy the sender.
  const std::string id = *sender.representedObject();
  platform::StatusButton* button = statusItem_->button();
  platform::SharePicker* picker = toolkit_.sharePicker();
  if (shown_.shareText && button && picker && sameText(id, kShareAction)) {
    picker->show(*shown_.shareText, *button, button->bounds(), platform::RectEdge::MinY);
    return;
  }
  if (onAction_) onAction_(id);
}

std::string StatusMenu::describe() const {
  return describeStatus(*statusItem_, *menu_);
}

void StatusMenu::showMenuForCheck(double closeAfter) {
  // The timer is in place before the click, which on some desktops tracks the menu modally.
  toolkit_.mainLoop().scheduleOnce(closeAfter, [self = std::weak_ptr<StatusMenu*>(self_)] {
    if (auto alive = self.lock()) (*alive)->menu_->cancelTracking();
  });
  if (auto* button = statusItem_->button()) button->performClick();
}

}  // namespace nvx
