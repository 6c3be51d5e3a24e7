#pragma once

#include <glib.h>
#include <systemd/sd-bus.h>

#include <cstdint>
#include <vector>

#include "EntryProperties.h"
#include "MenuTree.h"
#include "platform/linux/dbus/Bus.h"

namespace nvx::platform {

// Exports the menu of a MenuTree at /MenuBar with com.canonical.dbusmenu and publishes its
// changes, coalesced until the main loop is idle:
// - a changed list of entries anywhere: a new revision, and one LayoutUpdated when a host has
//   fetched the layout since the last one (hosts fetch the layout again, and may close an
//   open menu);
// - otherwise, changed properties: one ItemsPropertiesUpdated holding only the properties
//   that differ from what hosts were last told, under the same ids;
// - nothing changed in what hosts see: no signal.
// While the bus reads nothing, changes wait and coalesce instead of queueing one signal each.
// Main thread only.
class MenuExporter final : public Bus::Client {
 public:
  // Exports the object on `bus`; the bus and `tree` must outlive this.
  MenuExporter(Bus& bus, MenuTree& tree);
  ~MenuExporter();
  MenuExporter(const MenuExporter&) = delete;
  MenuExporter& operator=(const MenuExporter&) = delete;

  // Publishes the pending changes now. Every read by a host does this first, so a host
  // never reads a state that a later signal would describe as unchanged.
  void flush();

  // Asks hosts to open the menu (ItemActivationRequested for the root) and marks it as
  // wanting attention (Status "notice") until endAttention.
  void requestOpen();
  void endAttention();

  void reconnected() override;
  void drained() override { schedule(); }

 private:
  // An entry whose properties hosts are to be told, and which of them.
  struct Change {
    std::int32_t id;
    const EntryProperties* properties;
    PropertyChange change;
  };

  static int onCall(sd_bus_message* call, void* self, sd_bus_error* error);
  static int onGetProperty(sd_bus*, const char*, const char*, const char* property,
                           sd_bus_message* reply, void* self, sd_bus_error*);
  static gboolean onIdle(gpointer self);
  void exportObject();
  void schedule();
  void publishProperties();
  // Sends changes_ in one ItemsPropertiesUpdated; a negative errno when it cannot.
  int sendProperties();

  Bus& bus_;
  MenuTree& tree_;
  SlotPtr object_;
  guint idle_ = 0;
  std::uint32_t revision_ = 0;
  bool notice_ = false;
  bool layoutFetched_ = false;  // a host fetched the layout since the last LayoutUpdated
  MenuTree::Pending pending_;   // kept between updates, as is the list of changes
  std::vector<Change> changes_;
};

}  // namespace nvx::platform
