#pragma once

#include <memory>

#include "DesktopStatusButton.h"
#include "StatusNotifierItem.h"
#include "platform/StatusItem.h"

namespace nvx::platform {

class DesktopMenu;
class DesktopStatusBar;
class MenuExporter;
class MenuTree;

// The status item of a desktop session: a StatusNotifierItem whose menu is the one exported
// at /MenuBar. A session exports one item at a time; another one made meanwhile keeps its
// state but no host sees it.
class DesktopStatusItem final : public StatusItem {
 public:
  // An item of `bar`, exported on `bus` unless it is null; its menu becomes the root of
  // `tree`, published by `exporter`. All of them must outlive it.
  DesktopStatusItem(DesktopStatusBar& bar, Bus* bus, MenuTree& tree, MenuExporter& exporter);
  ~DesktopStatusItem() override;

  StatusButton* button() const override { return button_.get(); }

  // Takes a DesktopMenu (or null); a menu of another platform is a programming error.
  void setMenu(Menu* menu) override;

  // Takes the item off the bus: hosts drop it. The object stays usable.
  void remove();

  // What the protocol allows in place of opening the menu: hosts are asked to open it
  // (dbusmenu's ItemActivationRequested) and the item asks for attention (NeedsAttention,
  // and the menu's Status "notice") until the menu is told to close.
  void showMenu();

  // The item on the bus; null when it is not exported.
  StatusNotifierItem* notifierItem() const { return notifierItem_.get(); }

 private:
  void endAttention();

  DesktopStatusBar& bar_;
  MenuTree& tree_;
  MenuExporter& exporter_;
  std::unique_ptr<StatusNotifierItem> notifierItem_;
  std::unique_ptr<DesktopStatusButton> button_;
  DesktopMenu* menu_ = nullptr;
};

}  // namespace nvx::platform
