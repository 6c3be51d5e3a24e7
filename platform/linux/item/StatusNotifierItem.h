#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "IconPixmaps.h"
#include "platform/linux/dbus/Bus.h"
#include "platform/linux/dbus/NameWatch.h"
#include "platform/linux/images/PixelImage.h"

namespace nvx::platform {

// The status item on the session bus, as tray hosts know it (StatusNotifierItem):
// 1. exports /StatusNotifierItem (its menu is the one at /MenuBar);
// 2. owns org.kde.StatusNotifierItem-<pid>-<n>, or goes by its unique name when it cannot;
// 3. registers its object path with the StatusNotifierWatcher, and again whenever the
//    watcher's owner changes (a tray host restarting) or the watcher drops the live item (a
//    host that failed to take it). Without a watcher it waits silently.
// A setter whose value changed sends its change signal once the loop is idle, so that a burst
// of updates costs hosts one signal of each kind, not one per update; while the bus reads
// nothing, they wait. On a new connection the item is exported and registered again. Main
// thread only.
class StatusNotifierItem final : public Bus::Client {
 public:
  // Exports the item on `bus`, which must outlive it; `number` is the <n> of the name.
  StatusNotifierItem(Bus& bus, int number);
  ~StatusNotifierItem();  // unexports the item and gives up its name: hosts drop it
  StatusNotifierItem(const StatusNotifierItem&) = delete;
  StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

  // The item's name for people (Title; NewTitle).
  void setTitle(std::string_view title);

  // Text shown beside the icon by hosts that draw one (XAyatanaLabel; XAyatanaNewLabel).
  void setLabel(std::string_view label);

  // The tooltip's text (ToolTip; NewToolTip).
  void setToolTip(std::string_view toolTip);

  // The icon: pixels at the hosts' sizes, and the file's name and folder as an icon name
  // and theme path for hosts that prefer to load it themselves; null: no icon (NewIcon).
  // `symbolic`: the name of its symbolic form beside it ("<name>-symbolic.svg"), which hosts
  // draw in their panel's text colour, when there is one.
  void setIcon(std::shared_ptr<const PixelImage> image, bool symbolic = false);

  // Active, or NeedsAttention while the menu is asked to open (NewStatus).
  void setNeedsAttention(bool attention);

  void reconnected() override;
  void drained() override { changed(0); }

 private:
  static const sd_bus_vtable kVtable[];
  static int onActivate(sd_bus_message* call, void* self, sd_bus_error* error);
  static int onIgnoredCall(sd_bus_message* call, void* self, sd_bus_error* error);
  static int onGetProperty(sd_bus* bus, const char* path, const char* interface,
                           const char* property, sd_bus_message* reply, void* self,
                           sd_bus_error* error);
  static int onItemUnregistered(sd_bus_message* signal, void* self, sd_bus_error* error);
  static int onNameRequested(sd_bus_message* reply, void* self, sd_bus_error* error);
  void exportItem();
  void onWatcherChange();
  void registerItem();
  int appendProperty(sd_bus_message* reply, std::string_view name) const;

  // The change signals, as bits of pending_.
  enum Change : unsigned { kTitle = 1, kIcon = 2, kToolTip = 4, kLabel = 8, kStatus = 16 };
  void changed(unsigned change);
  static gboolean onIdle(gpointer self);
  void emit(const char* signal);

  Bus& bus_;
  SlotPtr object_;
  SlotPtr nameRequest_;
  SlotPtr unregistered_;
  std::optional<NameWatch> watcher_;
  std::string watcherOwner_;  // the watcher registrations_ counts for
  int registrations_ = 0;
  std::string name_;       // the well-known name hosts expect
  bool ownsName_ = false;  // once the bus has given it
  std::string title_;
  std::string label_;
  std::string toolTip_;
  std::shared_ptr<const PixelImage> icon_;
  std::string iconName_;  // the icon's name for hosts, and the folder it is in
  std::string iconDir_;
  bool symbolic_ = false;            // asked for the symbolic form
  std::vector<IconPixmap> pixmaps_;  // the icon at the hosts' sizes, made once per icon
  bool attention_ = false;
  unsigned pending_ = 0;  // Change bits not yet signalled
  guint idle_ = 0;        // the idle source that signals them
};

}  // namespace nvx::platform
