#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "StatusMenuModel.h"
#include "platform/ActionTarget.h"
#include "platform/Toolkit.h"

namespace nvx {

// The agent's one status item and its menu, kept in step with each menu description.
//
// Owns the status item, the menu, the action callback and the icon image; the menu owns its
// entries, each entry its submenu. Entries name this object as their action target without
// owning it. Main thread only. `toolkit` must outlive it.
class StatusMenu final : public platform::ActionTarget {
 public:
  // Receives the id of every chosen entry, except "share" when a share text is set.
  using OnAction = std::function<void(std::string_view)>;

  // Size in points at which the icon is shown.
  static constexpr platform::Size kIconSize = {18, 18};
  // The icon's resource name, also the word by which the menu dump names it.
  static constexpr std::string_view kIconName = "orvel";
  // What assistive technology reads for the status button.
  static constexpr std::string_view kAccessibilityTitle = "Norvane";
  // The icon style that draws the icon in the bar's monochrome style.
  static constexpr std::string_view kIconStyleBlack = "black";
  // The entry id that opens the share picker when the description has a share text.
  static constexpr std::string_view kShareAction = "share";

  // Creates the status item with `image` (may be null) and an empty menu.
  StatusMenu(std::shared_ptr<platform::Image> image, OnAction onAction, platform::Toolkit& toolkit);
  ~StatusMenu();
  StatusMenu(const StatusMenu&) = delete;
  StatusMenu& operator=(const StatusMenu&) = delete;

  // Applies `model`: button title, tooltip and icon, then the entries, refreshed in place
  // when the ids keep their pre-order and the top-level count stays, rebuilt otherwise.
  // Taken by value: the model is kept as the shown one, so a caller done with its model
  // moves it in instead of copying it.
  void update(StatusMenuModel model);

  // Takes the status item off the status bar.
  void stop();

  // The action of every entry without a submenu: reports the entry's id, or opens the share
  // picker for "share" when a share text is set, the button exists and the system has a
  // picker.
  void chosen(platform::MenuItem& sender) override;

  // The status item and the top-level entries as text (see describeStatus).
  std::string describe() const;

  // Opens the menu as a click on the status item does, and closes it `closeAfter` seconds
  // later unless this object is gone by then.
  void showMenuForCheck(double closeAfter);

 private:
  using Item = StatusMenuModel::Item;

  void updateTitle(std::string_view title);
  void updateIcon(std::optional<std::string_view> iconStyle);
  void rebuild(const std::vector<Item>& items);
  void refreshAll(const std::vector<Item>& items);

  // A new styled entry for `item`, with its submenu; null for a separator.
  std::unique_ptr<platform::MenuItem> build(const Item& item, double tab);

  // Restyles `entry` and the entries of its submenu as `item` and its children.
  void refresh(platform::MenuItem& entry, const Item& item, double tab);

  platform::Toolkit& toolkit_;
  // Declared before the status item, which refers to it, so that the item is destroyed first.
  std::unique_ptr<platform::Menu> menu_;
  std::unique_ptr<platform::StatusItem> statusItem_;
  OnAction onAction_;
  StatusMenuModel shown_;  // the model last applied, whose items the entries show
  std::shared_ptr<platform::Image> appImage_;
  // Points at this object for as long as it lives; pending timers hold it weakly.
  std::shared_ptr<StatusMenu*> self_;
};

}  // namespace nvx
