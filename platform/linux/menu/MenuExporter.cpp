#include "MenuExporter.h"

#include <string_view>
#include <utility>

#include "DesktopMenuItem.h"
#include "MenuCalls.h"
#include "platform/linux/dbus/DbusInterfaces.h"
#include "platform/linux/dbus/DesktopNames.h"
#include "platform/linux/dbus/GPtr.h"
#include "platform/linux/dbus/TextVariant.h"

namespace nvx::platform {
namespace {

namespace m = dbus::menu;

}  // namespace

MenuExporter::MenuExporter(GDBusConnection* connection, MenuTree& tree)
    : connection_(connection), tree_(tree) {
  static constexpr GDBusInterfaceVTable kVtable = exportVtable(onMethodCall, onGetProperty);
  // A connection that cannot take the object (already exported there) leaves the menu
  // unexported; the agent runs on.
  registration_ = g_dbus_connection_register_object(connection_, m::kPath, dbusMenuInterface(),
                                                    &kVtable, this, nullptr, nullptr);
  tree_.setOnChange([this] { schedule(); });
}

MenuExporter::~MenuExporter() {
  tree_.setOnChange(nullptr);
  if (idle_) g_source_remove(idle_);
  if (registration_) g_dbus_connection_unregister_object(connection_, registration_);
}

void MenuExporter::schedule() {
  // Idle priority: a burst of updates queued on the main loop is applied whole before
  // anything is published.
  if (!idle_) idle_ = g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, onIdle, this, nullptr);
}

gboolean MenuExporter::onIdle(gpointer self) {
  auto* exporter = static_cast<MenuExporter*>(self);
  exporter->idle_ = 0;
  exporter->flush();
  return G_SOURCE_REMOVE;
}

void MenuExporter::flush() {
  if (!tree_.hasPending()) return;
  MenuTree::Pending pending = tree_.takePending();
  if (pending.layout) {
    // Hosts fetch everything again: what they will know is what the entries show now.
    tree_.forEachEntry([](DesktopMenuItem& entry) { entry.markPublished(); });
    ++revision_;
    // Only a host that fetched the layout since the last signal holds a stale copy: the others
    // fetch the new one anyway (at start-up, none has fetched the empty menu yet).
    if (std::exchange(layoutFetched_, false)) {
      emit(m::kLayoutUpdated, g_variant_new("(ui)", revision_, m::kRootId));
    }
    return;
  }
  // The signal is made from its children, in lists kept between updates.
  updated_.clear();
  removed_.clear();
  for (std::int32_t id : pending.entries) {
    DesktopMenuItem* entry = tree_.find(id);
    if (!entry) continue;
    const PropertyChange change = propertyChange(entry->published(), entry->properties());
    const bool shown = tree_.findShown(id) != nullptr;
    if (shown && change.updated) {
      GVariant* fields[] = {g_variant_new_int32(id),
                            propertiesVariant(entry->properties(), change.updated)};
      updated_.push_back(g_variant_new_tuple(fields, 2));
    }
    if (shown && change.removed) {
      GVariant* fields[] = {g_variant_new_int32(id), propertyNames(change.removed)};
      removed_.push_back(g_variant_new_tuple(fields, 2));
    }
    entry->markPublished();
  }
  if (updated_.empty() && removed_.empty()) return;
  GVariant* lists[] = {
      g_variant_new_array(variantType("(ia{sv})"), updated_.data(), updated_.size()),
      g_variant_new_array(variantType("(ias)"), removed_.data(), removed_.size())};
  emit(m::kItemsPropertiesUpdated, g_variant_new_tuple(lists, 2));
}

void MenuExporter::requestOpen() {
  flush();
  setNotice(true);
  emit(m::kItemActivationRequested, g_variant_new("(iu)", m::kRootId, 0u));
}

void MenuExporter::endAttention() {
  setNotice(false);
}

void MenuExporter::setNotice(bool notice) {
  if (notice_ == notice) return;
  notice_ = notice;
  GVariantBuilder changed;
  g_variant_builder_init(&changed, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&changed, "{sv}", m::kStatus,
                        g_variant_new_string(notice ? m::kStatusNotice : m::kStatusNormal));
  g_dbus_connection_emit_signal(
      connection_, nullptr, m::kPath, dbus::kPropertiesInterface, dbus::kPropertiesChanged,
      g_variant_new("(sa{sv}@as)", m::kInterface, &changed, g_variant_new_strv(nullptr, 0)),
      nullptr);
}

void MenuExporter::emit(const char* signal, GVariant* parameters) {
  // A closed connection refuses the signal; hosts are gone then and nothing is lost.
  g_dbus_connection_emit_signal(connection_, nullptr, m::kPath, m::kInterface, signal, parameters,
                                nullptr);
}

void MenuExporter::onMethodCall(GDBusConnection*, const char*, const char*, const char*,
                                const char* method, GVariant* parameters,
                                GDBusMethodInvocation* invocation, gpointer self) {
  auto* exporter = static_cast<MenuExporter*>(self);
  exporter->flush();
  MenuReply reply = answerMenuCall(exporter->tree_, exporter->revision_, method, parameters);
  if (reply.error) {
    g_dbus_method_invocation_return_dbus_error(invocation, reply.error, reply.message.c_str());
    return;
  }
  g_dbus_method_invocation_return_value(invocation, reply.parameters.get());
  if (std::string_view(method) == m::kGetLayout) exporter->layoutFetched_ = true;
  // After the reply: the chosen entry's action may rebuild the menu.
  if (reply.click) clickEntry(exporter->tree_, reply.click);
}

GVariant* MenuExporter::onGetProperty(GDBusConnection*, const char*, const char*, const char*,
                                      const char* property, GError** error, gpointer self) {
  auto* exporter = static_cast<MenuExporter*>(self);
  const std::string_view name(property);
  if (name == m::kVersion) return g_variant_new_uint32(m::kVersionNumber);
  if (name == m::kTextDirection) return g_variant_new_string(m::kLeftToRight);
  if (name == m::kStatus) {
    return g_variant_new_string(exporter->notice_ ? m::kStatusNotice : m::kStatusNormal);
  }
  if (name == m::kIconThemePath) return g_variant_new_strv(nullptr, 0);
  g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS, "no property %s", property);
  return nullptr;
}

}  // namespace nvx::platform
