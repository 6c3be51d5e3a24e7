#include "DesktopMenuItem.h"

#include <utility>

#include "DesktopMenu.h"
#include "MenuTree.h"
#include "platform/OwnAs.h"

namespace nvx::platform {

DesktopMenuItem::DesktopMenuItem(MenuTree& tree, std::string title, MenuAction action,
                                 bool separator)
    : tree_(tree), id_(tree.add(*this)), title_(std::move(title)), action_(action) {
  shown_.separator = separator;
  if (!separator) assignMenuLabel(shown_.label, title_);
}

DesktopMenuItem::~DesktopMenuItem() {
  tree_.remove(id_);
}

const AttributedString* DesktopMenuItem::attributedTitle() const {
  return attributedTitle_ ? &*attributedTitle_ : nullptr;
}

void DesktopMenuItem::setAttributedTitle(AttributedString title) {
  attributedTitle_ = std::move(title);
  if (shown_.separator) return;
  applyTitle(*attributedTitle_, shown_);
  changed();
}

Menu* DesktopMenuItem::submenu() const {
  return submenu_.get();
}

void DesktopMenuItem::setSubmenu(std::unique_ptr<Menu> submenu) {
  const bool given = submenu != nullptr;
  auto desktop = ownAs<DesktopMenu>(std::move(submenu));
  if (given && !desktop) return;
  submenu_ = std::move(desktop);
  if (submenu_) submenu_->parent_ = this;
  shown_.submenu = submenu_ != nullptr;
  // The entries below appear or vanish: hosts must fetch the layout again.
  tree_.layoutChanged();
}

void DesktopMenuItem::setEnabled(bool enabled) {
  shown_.enabled = enabled;
  changed();
}

void DesktopMenuItem::setState(ControlState state) {
  shown_.state = state;
  changed();
}

void DesktopMenuItem::setRepresentedObject(std::optional<std::string_view> object) {
  if (!object) {
    represented_.reset();
  } else if (represented_) {
    represented_->assign(*object);  // reuses the capacity on every refresh
  } else {
    represented_.emplace(*object);
  }
}

void DesktopMenuItem::renumber() {
  tree_.remove(id_);
  id_ = tree_.add(*this);
}

void DesktopMenuItem::markPublished() {
  published_ = shown_;
  queued_ = false;
}

bool DesktopMenuItem::acceptsClick() const {
  return !shown_.separator && shown_.enabled && !submenu_ && action_ == MenuAction::Chosen &&
         target_ != nullptr;
}

void DesktopMenuItem::choose() {
  if (!acceptsClick()) return;
  // Qt hosts flip a checked entry's mark themselves on a click, so what they show is no longer
  // known: recorded as the undecided state, the next publish tells them the state again.
  if (shown_.state == ControlState::On) {
    published_.state = ControlState::Mixed;
    changed();
  }
  // Last statement: the target may destroy this entry.
  target_->chosen(*this);
}

void DesktopMenuItem::changed() {
  if (queued_ || shown_ == published_) return;
  queued_ = true;
  tree_.propertiesChanged(id_);
}

}  // namespace nvx::platform
