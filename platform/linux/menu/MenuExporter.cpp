#include "MenuExporter.h"

#include <optional>
#include <utility>

#include "DesktopMenu.h"
#include "DesktopMenuItem.h"
#include "MenuCalls.h"
#include "platform/linux/dbus/DesktopNames.h"

namespace nvx::platform {
namespace {

namespace m = dbus::menu;

}  // namespace

MenuExporter::MenuExporter(Bus& bus, MenuTree& tree) : bus_(bus), tree_(tree) {
  exportObject();
  tree_.setOnChange([this] { schedule(); });
  bus_.addClient(*this);
}

MenuExporter::~MenuExporter() {
  bus_.removeClient(*this);
  tree_.setOnChange(nullptr);
  if (idle_) g_source_remove(idle_);
}

void MenuExporter::reconnected() {
  object_.reset();
  // No host on the new connection has fetched anything yet, nor been told of a notice.
  layoutFetched_ = false;
  notice_ = false;
  exportObject();
}

void MenuExporter::exportObject() {
  static const sd_bus_vtable kVtable[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_PROPERTY(m::kVersion, "u", onGetProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
      SD_BUS_PROPERTY(m::kTextDirection, "s", onGetProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
      SD_BUS_PROPERTY(m::kStatus, "s", onGetProperty, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
      SD_BUS_PROPERTY(m::kIconThemePath, "as", onGetProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
      SD_BUS_METHOD_WITH_ARGS(m::kGetLayout,
                              SD_BUS_ARGS("i", parentId, "i", recursionDepth, "as", propertyNames),
                              SD_BUS_RESULT("u", revision, "(ia{sv}av)", layout), onCall, 0),
      SD_BUS_METHOD_WITH_ARGS(m::kGetGroupProperties, SD_BUS_ARGS("ai", ids, "as", propertyNames),
                              SD_BUS_RESULT("a(ia{sv})", properties), onCall, 0),
      SD_BUS_METHOD_WITH_ARGS(m::kGetProperty, SD_BUS_ARGS("i", id, "s", name),
                              SD_BUS_RESULT("v", value), onCall, 0),
      SD_BUS_METHOD_WITH_ARGS(m::kEvent,
                              SD_BUS_ARGS("i", id, "s", eventId, "v", data, "u", timestamp),
                              SD_BUS_NO_RESULT, onCall, 0),
      SD_BUS_METHOD_WITH_ARGS(m::kEventGroup, SD_BUS_ARGS("a(isvu)", events),
                              SD_BUS_RESULT("ai", idErrors), onCall, 0),
      SD_BUS_METHOD_WITH_ARGS(m::kAboutToShow, SD_BUS_ARGS("i", id), SD_BUS_RESULT("b", needUpdate),
                              onCall, 0),
      SD_BUS_METHOD_WITH_ARGS(m::kAboutToShowGroup, SD_BUS_ARGS("ai", ids),
                              SD_BUS_RESULT("ai", updatesNeeded, "ai", idErrors), onCall, 0),
      SD_BUS_SIGNAL_WITH_ARGS(m::kItemsPropertiesUpdated,
                              SD_BUS_ARGS("a(ia{sv})", updatedProps, "a(ias)", removedProps), 0),
      SD_BUS_SIGNAL_WITH_ARGS(m::kLayoutUpdated, SD_BUS_ARGS("u", revision, "i", parent), 0),
      SD_BUS_SIGNAL_WITH_ARGS(m::kItemActivationRequested, SD_BUS_ARGS("i", id, "u", timestamp), 0),
      SD_BUS_VTABLE_END};
  // A bus that cannot take the object (already exported there) leaves the menu unexported;
  // the agent runs on.
  sd_bus_add_object_vtable(bus_.get(), OutPtr(object_), m::kPath, m::kInterface, kVtable, this);
}

void MenuExporter::schedule() {
  // Idle priority: a burst of updates queued on the main loop is applied whole before
  // anything is published.
  if (!idle_) idle_ = g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, onIdle, this, nullptr);
}

gboolean MenuExporter::onIdle(gpointer self) {
  auto* exporter = static_cast<MenuExporter*>(self);
  exporter->idle_ = 0;
  // A bus that reads nothing gets nothing more until it has taken what waits: the changes
  // meanwhile go out together.
  if (exporter->bus_.backlogged()) {
    exporter->bus_.notifyWhenDrained(*exporter);
  } else {
    exporter->flush();
  }
  return G_SOURCE_REMOVE;
}

void MenuExporter::flush() {
  if (!tree_.hasPending()) return;
  tree_.takePending(pending_);
  if (!pending_.layout) {
    publishProperties();
    return;
  }
  // Hosts fetch everything again: what they will know is what the entries show now.
  tree_.forEachEntry([](DesktopMenuItem& entry) { entry.markPublished(); });
  ++revision_;
  // Only a host that fetched the layout since the last signal holds a stale copy: the others
  // fetch the new one anyway (at start-up, none has fetched the empty menu yet). A closed
  // connection refuses the signal; hosts are gone then and nothing is lost.
  if (std::exchange(layoutFetched_, false)) {
    sd_bus_emit_signal(bus_.get(), m::kPath, m::kInterface, m::kLayoutUpdated, "ui", revision_,
                       m::kRootId);
  }
}

void MenuExporter::publishProperties() {
  changes_.clear();
  // Qt hosts make an entry checkable only when they build it, and ignore a later change of
  // its toggle-type or a removed toggle-state, even in a layout they fetch again for the same
  // id: an entry that gains or loses its check mark becomes a new entry, under a new id in the
  // menu that holds it (the root when there are several such menus).
  std::optional<std::int32_t> kindChanged;
  for (std::int32_t id : pending_.entries) {
    DesktopMenuItem* entry = tree_.find(id);
    if (!entry) continue;
    const PropertyChange change = propertyChange(entry->published(), entry->properties());
    if (!change.empty() && tree_.findShown(id)) {
      if ((change.updated | change.removed) & kPropertyToggleType) {
        entry->renumber();
        const DesktopMenuItem* parent = entry->menu()->parentItem();
        const std::int32_t parentId = parent ? parent->id() : m::kRootId;
        kindChanged = kindChanged && *kindChanged != parentId ? m::kRootId : parentId;
      } else {
        changes_.push_back({id, &entry->properties(), change});
      }
    }
    entry->markPublished();
  }
  if (!changes_.empty()) sendProperties();
  if (kindChanged) {
    ++revision_;
    if (!std::exchange(layoutFetched_, false)) return;
    sd_bus_emit_signal(bus_.get(), m::kPath, m::kInterface, m::kLayoutUpdated, "ui", revision_,
                       *kindChanged);
  }
}

int MenuExporter::sendProperties() {
  MessagePtr message;
  int r = sd_bus_message_new_signal(bus_.get(), OutPtr(message), m::kPath, m::kInterface,
                                    m::kItemsPropertiesUpdated);
  if (r < 0) return r;
  sd_bus_message* signal = message.get();
  // Written straight into the message: the properties with their values, then the names of
  // those that went back to their defaults.
  r = sd_bus_message_open_container(signal, SD_BUS_TYPE_ARRAY, "(ia{sv})");
  if (r < 0) return r;
  for (const Change& c : changes_) {
    if (!c.change.updated) continue;
    r = sd_bus_message_open_container(signal, SD_BUS_TYPE_STRUCT, "ia{sv}");
    if (r < 0) return r;
    r = sd_bus_message_append_basic(signal, SD_BUS_TYPE_INT32, &c.id);
    if (r < 0) return r;
    r = appendProperties(signal, *c.properties, c.change.updated);
    if (r < 0) return r;
    r = sd_bus_message_close_container(signal);
    if (r < 0) return r;
  }
  r = sd_bus_message_close_container(signal);
  if (r < 0) return r;
  r = sd_bus_message_open_container(signal, SD_BUS_TYPE_ARRAY, "(ias)");
  if (r < 0) return r;
  for (const Change& c : changes_) {
    if (!c.change.removed) continue;
    r = sd_bus_message_open_container(signal, SD_BUS_TYPE_STRUCT, "ias");
    if (r < 0) return r;
    r = sd_bus_message_append_basic(signal, SD_BUS_TYPE_INT32, &c.id);
    if (r < 0) return r;
    r = appendPropertyNames(signal, c.change.removed);
    if (r < 0) return r;
    r = sd_bus_message_close_container(signal);
    if (r < 0) return r;
  }
  r = sd_bus_message_close_container(signal);
  if (r < 0) return r;
  return sd_bus_send(bus_.get(), signal, nullptr);
}

void MenuExporter::requestOpen() {
  flush();
  if (!notice_) {
    notice_ = true;
    sd_bus_emit_properties_changed(bus_.get(), m::kPath, m::kInterface, m::kStatus, nullptr);
  }
  sd_bus_emit_signal(bus_.get(), m::kPath, m::kInterface, m::kItemActivationRequested, "iu",
                     m::kRootId, 0u);
}

void MenuExporter::endAttention() {
  if (!notice_) return;
  notice_ = false;
  sd_bus_emit_properties_changed(bus_.get(), m::kPath, m::kInterface, m::kStatus, nullptr);
}

int MenuExporter::onCall(sd_bus_message* call, void* self, sd_bus_error* error) {
  auto* exporter = static_cast<MenuExporter*>(self);
  exporter->flush();
  MessagePtr reply;
  int r = sd_bus_message_new_method_return(call, OutPtr(reply));
  if (r < 0) return r;
  std::int32_t click = 0;
  // A negative result has sd-bus answer with the error instead.
  r = answerMenuCall(exporter->tree_, exporter->revision_, call, reply.get(), error, click);
  if (r < 0) return r;
  r = sd_bus_send(nullptr, reply.get(), nullptr);
  if (r < 0) return r;
  if (sd_bus_message_is_method_call(call, nullptr, m::kGetLayout)) exporter->layoutFetched_ = true;
  // After the reply: the chosen entry's action may rebuild the menu.
  if (click) clickEntry(exporter->tree_, click);
  return 1;
}

int MenuExporter::onGetProperty(sd_bus*, const char*, const char*, const char* property,
                                sd_bus_message* reply, void* self, sd_bus_error*) {
  const auto* exporter = static_cast<const MenuExporter*>(self);
  const std::string_view name(property);
  if (name == m::kVersion) return sd_bus_message_append(reply, "u", m::kVersionNumber);
  if (name == m::kTextDirection) return sd_bus_message_append(reply, "s", m::kLeftToRight);
  if (name == m::kStatus) {
    return sd_bus_message_append(reply, "s",
                                 exporter->notice_ ? m::kStatusNotice : m::kStatusNormal);
  }
  return sd_bus_message_append(reply, "as", 0);  // IconThemePath: none
}

}  // namespace nvx::platform
