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

Menu* HeadlessMenuItem::submenu() const {
  return submenu_.get();
}

void HeadlessMenuItem::setSubmenu(std::unique_ptr<Menu> submenu) {
  const bool given = submenu != nullptr;
  auto headless = ownAs<HeadlessMenu>(std::move(submenu));
  if (given && !headless) return;
  submenu_ = std::move(headless);
  if (submenu_) submenu_->parentItem_ = this;
}

void HeadlessMenuItem::setRepresentedObject(std::optional<std::string_view> object) {
  if (!object) {
    represented_.reset();
  } else if (represented_) {
    represented_->assign(*object);  // reuses the capacity on every refresh
  } else {
    represented_.emplace(*object);
  }
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
