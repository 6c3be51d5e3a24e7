#pragma once

#include <gio/gio.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/linux/dbus/GPtr.h"
#include "platform/linux/dbus/SignalSubscription.h"
#include "platform/linux/images/PixelImage.h"

namespace nvx::platform {

// The status item on the session bus, as tray hosts know it (StatusNotifierItem):
// 1. exports /StatusNotifierItem (its menu is the one at /MenuBar);
// 2. owns org.kde.StatusNotifierItem-<pid>-<n>, or goes by its unique name when it cannot;
// 3. registers its object path with the StatusNotifierWatcher, and again whenever the
//    watcher's owner changes (a tray host restarting) or the watcher drops the live item (a
//    host that failed to take it). Without a watcher it waits silently.
// A setter whose value changed sends its change signal once the loop is idle, so that a burst
// of updates costs hosts one signal of each kind, not one per update. Main thread only.
class StatusNotifierItem {
 public:
  // Exports the item on `connection`, which must outlive it; `number` is the <n> of the name.
  StatusNotifierItem(GDBusConnection* connection, int number);
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
  void setIcon(std::shared_ptr<const PixelImage> image);

  // Active, or NeedsAttention while the menu is asked to open (NewStatus).
  void setNeedsAttention(bool attention);

 private:
  static void onMethodCall(GDBusConnection*, const char* sender, const char* path,
                           const char* interface, const char* method, GVariant* parameters,
                           GDBusMethodInvocation* invocation, gpointer self);
  static GVariant* onGetProperty(GDBusConnection*, const char* sender, const char* path,
                                 const char* interface, const char* property, GError** error,
                                 gpointer self);
  static void onWatcherAppeared(GDBusConnection*, const char* name, const char* owner,
                                gpointer self);
  static void onWatcherVanished(GDBusConnection*, const char* name, gpointer self);
  static void onItemUnregistered(GDBusConnection*, const char* sender, const char* path,
                                 const char* interface, const char* signal, GVariant* parameters,
                                 gpointer self);
  void registerItem();
  GVariant* property(std::string_view name) const;

  // The change signals, as bits of pending_.
  enum Change : unsigned { kTitle = 1, kIcon = 2, kToolTip = 4, kLabel = 8, kStatus = 16 };
  void changed(Change change);
  static gboolean onIdle(gpointer self);
  void emit(const char* signal, GVariant* parameters = nullptr);

  GDBusConnection* connection_;
  guint registration_ = 0;
  guint watch_ = 0;
  SignalSubscription unregistered_;
  std::string watcher_;    // the watcher's unique name; empty while there is none
  int registrations_ = 0;  // with the current watcher
  bool ownsName_ = false;
  std::string busName_;
  std::string title_;
  std::string label_;
  std::string toolTip_;
  std::shared_ptr<const PixelImage> icon_;
  GVariantPtr pixmaps_;  // the icon at the hosts' sizes, made once per icon
  bool attention_ = false;
  unsigned pending_ = 0;  // Change bits not yet signalled
  guint idle_ = 0;        // the idle source that signals them
};

}  // namespace nvx::platform
