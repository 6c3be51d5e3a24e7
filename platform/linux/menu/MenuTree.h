#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

namespace nvx::platform {

class DesktopMenu;
class DesktopMenuItem;

// The entries of one exported menu by their dbusmenu ids, and the changes not yet published.
// Entries and menus report to it; the exporter reads it. Main thread only.
//
// Ids are never reused while an entry lives, and not for 2^31 entries after, so an event for
// an entry that a rebuild removed finds nothing instead of its successor.
class MenuTree {
 public:
  // What changed since the last takePending().
  struct Pending {
    bool layout = false;                // a list of entries changed: hosts re-fetch
    std::vector<std::int32_t> entries;  // entries whose properties may have changed
  };

  MenuTree() = default;
  MenuTree(const MenuTree&) = delete;
  MenuTree& operator=(const MenuTree&) = delete;

  // `onChange` runs at the first change after each takePending(), to schedule publishing.
  void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

  // The menu hosts see under the root id (not owned; null: none). A layout change.
  void setRoot(DesktopMenu* root);
  DesktopMenu* root() const { return root_; }

  // The live entry with `id`, or null.
  DesktopMenuItem* find(std::int32_t id) const;

  // The entry with `id` when hosts can see it: in the root menu or in a submenu below it.
  DesktopMenuItem* findShown(std::int32_t id) const;

  // Every live entry, in no particular order.
  template <class Visit>
  void forEachEntry(Visit&& visit) const {
    for (const auto& [id, entry] : entries_)
      visit(*entry);
  }

  // Moves the changes recorded so far into `into`, which hands its lists back for the next
  // ones: no allocation per update.
  void takePending(Pending& into);
  bool hasPending() const { return pending_.layout || !pending_.entries.empty(); }

  // `onCancelTracking` runs when the root menu is asked to close.
  void setOnCancelTracking(std::function<void()> onCancel) { onCancel_ = std::move(onCancel); }

  // Called by entries and menus.
  std::int32_t add(DesktopMenuItem& entry);
  void remove(std::int32_t id);
  void layoutChanged();
  void propertiesChanged(std::int32_t id);
  void cancelTracking(const DesktopMenu& menu);

 private:
  void changed();

  std::unordered_map<std::int32_t, DesktopMenuItem*> entries_;
  std::int32_t lastId_ = 0;
  DesktopMenu* root_ = nullptr;
  Pending pending_;
  std::function<void()> onChange_;
  std::function<void()> onCancel_;
};

}  // namespace nvx::platform
