#include "platform/macos/MacMenuItem.h"

#import <AppKit/AppKit.h>

#include <utility>

#include "platform/macos/MacAttributedString.h"
#include "platform/macos/MacMenu.h"
#include "platform/macos/MacStrings.h"

// An entry's NSMenuItem target: answers the entry's `chosen:` action by handing the entry to
// the core's ActionTarget. Owned by the entry; the NSMenuItem refers to it weakly.
@interface NVXMenuItemAction : NSObject
- (instancetype)initWithEntry:(nvx::platform::MacMenuItem*)entry;
- (void)chosen:(id)sender;
// Forgets the entry and the target, after which `chosen:` does nothing.
- (void)detach;
@property(nonatomic) nvx::platform::ActionTarget* target;
@end

@implementation NVXMenuItemAction {
  nvx::platform::MacMenuItem* entry_;
}

- (instancetype)initWithEntry:(nvx::platform::MacMenuItem*)entry {
  if ((self = [super init])) entry_ = entry;
  return self;
}

- (void)chosen:(id)sender {
  if (entry_ && self.target) self.target->chosen(*entry_);
}

- (void)detach {
  entry_ = nullptr;
  self.target = nullptr;
}

@end

namespace nvx::platform {
namespace {

SEL selectorFor(MenuAction action) {
  return action == MenuAction::Chosen ? @selector(chosen:) : nil;
}

}  // namespace

MacMenuItem::MacMenuItem(std::string_view title, MenuAction action, bool separator)
    : item_(separator ? [NSMenuItem separatorItem]
                      : [[NSMenuItem alloc] initWithTitle:toNSString(title)
                                                   action:selectorFor(action)
                                            keyEquivalent:@""]) {}

MacMenuItem::~MacMenuItem() {
  // AppKit may still hold the NSMenuItem and the forwarder for a selection being dispatched
  // when a rebuild (run in the common modes, so also during tracking) destroys this entry:
  // nothing that outlives it may lead back here.
  if (action_) [action_.as<NVXMenuItemAction>() detach];
  nsMenuItem().target = nil;
  nsMenuItem().action = nil;
}

bool MacMenuItem::isSeparator() const { return nsMenuItem().separatorItem; }

std::string MacMenuItem::title() const { return toStdString(nsMenuItem().title); }

const AttributedString* MacMenuItem::attributedTitle() const {
  return attributedTitle_ ? &*attributedTitle_ : nullptr;
}

void MacMenuItem::setAttributedTitle(AttributedString title) {
  nsMenuItem().attributedTitle = toNSAttributedString(title);
  attributedTitle_ = std::move(title);
}

void MacMenuItem::setTarget(ActionTarget* target) {
  if (!action_) action_ = ObjcRef([[NVXMenuItemAction alloc] initWithEntry:this]);
  NVXMenuItemAction* forwarder = action_.as<NVXMenuItemAction>();
  forwarder.target = target;
  nsMenuItem().target = target ? forwarder : nil;
}

void MacMenuItem::setAction(MenuAction action) { nsMenuItem().action = selectorFor(action); }

Menu* MacMenuItem::submenu() const { return submenu_.get(); }

void MacMenuItem::setSubmenu(std::unique_ptr<Menu> submenu) {
  // Menus come from the same platform, so they are ours.
  std::unique_ptr<MacMenu> menu(static_cast<MacMenu*>(submenu.release()));
  nsMenuItem().submenu = menu ? menu->nsMenu() : nil;
  submenu_ = std::move(menu);
}

bool MacMenuItem::isEnabled() const { return nsMenuItem().enabled; }

void MacMenuItem::setEnabled(bool enabled) { nsMenuItem().enabled = enabled; }

ControlState MacMenuItem::state() const {
  const NSControlStateValue state = nsMenuItem().state;
  if (state == NSControlStateValueOn) return ControlState::On;
  if (state == NSControlStateValueMixed) return ControlState::Mixed;
  return ControlState::Off;
}

void MacMenuItem::setState(ControlState state) {
  switch (state) {
    case ControlState::On:
      nsMenuItem().state = NSControlStateValueOn;
      return;
    case ControlState::Mixed:
      nsMenuItem().state = NSControlStateValueMixed;
      return;
    case ControlState::Off:
      nsMenuItem().state = NSControlStateValueOff;
      return;
  }
}

void MacMenuItem::setRepresentedObject(std::optional<std::string_view> object) {
  nsMenuItem().representedObject = object ? toNSString(*object) : nil;
  represented_ = object ? std::optional<std::string>(*object) : std::nullopt;
}

}  // namespace nvx::platform
