#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <vector>

#include "MenuTree.h"

namespace nvx::platform {

// Exports the menu of a MenuTree at /MenuBar with com.canonical.dbusmenu and publishes its
// changes, coalesced until the main loop is idle:
// - a changed list of entries anywhere: a new revision, and one LayoutUpdated when a host has
//   fetched the layout since the last one (hosts fetch the layout again, and may close an
//   open menu);
// - otherwise, changed properties: one ItemsPropertiesUpdated holding only the properties
//   that differ from what hosts were last told, under the same ids;
// - nothing changed in what hosts see: no signal.
// Main thread only.
class MenuExporter {
 public:
  // Registers the object on `connection`; the connection and `tree` must outlive this.
  MenuExporter(GDBusConnection* connection, MenuTree& tree);
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

 private:
  static void onMethodCall(GDBusConnection*, const char* sender, const char* path,
                           const char* interface, const char* method, GVariant* parameters,
                           GDBusMethodInvocation* invocation, gpointer self);
  static GVariant* onGetProperty(GDBusConnection*, const char* sender, const char* path,
                                 const char* interface, const char* property, GError** error,
                                 gpointer self);
  static gboolean onIdle(gpointer self);
  void schedule();
  void emit(const char* signal, GVariant* parameters);
  void setNotice(bool notice);

  GDBusConnection* connection_;
  MenuTree& tree_;
  guint registration_ = 0;
  guint idle_ = 0;
  std::uint32_t revision_ = 0;
  bool notice_ = false;
  bool layoutFetched_ = false;      // a host fetched the layout since the last LayoutUpdated
  std::vector<GVariant*> updated_;  // the entries of the signal being made
  std::vector<GVariant*> removed_;
};

}  // namespace nvx::platform
