#include "HeadlessMenuItem.h"

#include <utility>

#include "HeadlessMenu.h"
#include "platform/OwnAs.h"

namespace nvx::platform {

HeadlessMenuItem::HeadlessMenuItem(std::uint64_t id, std::string title, MenuAction action,
                                   bool separator)
    : id_(id), title_(std::move(title)), action_(action), separator_(separator) {}

HeadlessMenuItem::~HeadlessMenuItem() = default;

const AttributedString* HeadlessMenuItem::attributedTitle() const {
  return attributedTitle_ ? &*attributedTitle_ : nullptr;
}

void HeadlessMenuItem::setAttributedTitle(AttributedString title) {
  attributedTitle_ = std::move(title);
  ++propertyWrites_;
}

void HeadlessMenuItem::setTarget(ActionTarget* target) {
  target_ = target;
  ++propertyWrites_;
}

void HeadlessMenuItem::setAction(MenuAction action) {
  action_ = action;
  ++propertyWrites_;
}

Menu* HeadlessMenuItem::submenu() const {
  return submenu_.get();
}

void HeadlessMenuItem::setSubmenu(std::unique_ptr<Menu> submenu) {
  const bool given = submenu != nullptr;
  auto headless = ownAs<HeadlessMenu>(std::move(submenu));
  if (given && !headless) return;
  submenu_ = std::move(headless);
  if (submenu_) submenu_->parentItem_ = this;
  ++propertyWrites_;
}

void HeadlessMenuItem::setEnabled(bool enabled) {
  enabled_ = enabled;
  ++propertyWrites_;
}

void HeadlessMenuItem::setState(ControlState state) {
  state_ = state;
  ++propertyWrites_;
}

void HeadlessMenuItem::setRepresentedObject(std::optional<std::string_view> object) {
  if (!object) {
    represented_.reset();
  } else if (represented_) {
    represented_->assign(*object);  // reuses the capacity on every refresh
  } else {
    represented_.emplace(*object);
  }
  ++propertyWrites_;
}

bool HeadlessMenuItem::click() {
  if (separator_ || !enabled_ || submenu_ || action_ != MenuAction::Chosen || !target_) {
    return false;
  }
  if (menu_) menu_->root().cancelTracking();
  // Last statement: the target may destroy this entry.
  target_->chosen(*this);
  return true;
}

}  // namespace nvx::platform
