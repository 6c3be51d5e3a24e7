#include "StatusNotifierItem.h"

#include <unistd.h>

#include <string_view>
#include <utility>

#include "IconPixmaps.h"
#include "platform/linux/dbus/DbusInterfaces.h"
#include "platform/linux/dbus/DesktopNames.h"
#include "platform/linux/dbus/TextVariant.h"

namespace nvx::platform {
namespace {

namespace s = dbus::sni;

// True when the bus made this connection the primary owner of `name`.
bool requestName(GDBusConnection* connection, const std::string& name) {
  const GVariantPtr reply(g_dbus_connection_call_sync(
      connection, dbus::kBusName, dbus::kBusPath, dbus::kBusInterface, dbus::kRequestName,
      g_variant_new("(su)", name.c_str(), dbus::kNameFlagDoNotQueue), G_VARIANT_TYPE("(u)"),
      G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr));
  guint32 result = 0;
  if (reply) g_variant_get(reply.get(), "(u)", &result);
  return result == dbus::kNameReplyPrimaryOwner;
}

bool same(const PixelImage* a, const PixelImage* b) {
  if (a == b) return true;
  if (!a || !b) return false;
  return a->pixelWidth() == b->pixelWidth() && a->pixelHeight() == b->pixelHeight() &&
         a->path() == b->path() && (&a->argb() == &b->argb() || a->argb() == b->argb());
}

// The icon name and theme path of an icon file: "<dir>/<name>.png" gives <name> and <dir>.
std::pair<std::string, std::string> iconFile(const PixelImage* image) {
  if (!image || image->path().empty()) return {};
  const GCharPtr dir(g_path_get_dirname(image->path().c_str()));
  const GCharPtr base(g_path_get_basename(image->path().c_str()));
  std::string name(base.get());
  if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.erase(dot);
  return {name, dir.get()};
}

// A host that fails to take an item drops it and may fail again: registrations with one
// watcher stop after this many.
constexpr int kMaxRegistrations = 8;

// Whether `id`, an item as a watcher names it, is the one `name` exports: watchers name an
// item by its bus name, alone or followed by its path ("<name>/<path>", "<name>@<path>").
bool namesItemOf(std::string_view id, const std::string& name) {
  return !name.empty() && id.starts_with(name) &&
         (id.size() == name.size() || id[name.size()] == '/' || id[name.size()] == '@');
}

}  // namespace

StatusNotifierItem::StatusNotifierItem(GDBusConnection* connection, int number)
    : connection_(connection),
      pixmaps_(g_variant_ref_sink(g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0))) {
  static constexpr GDBusInterfaceVTable kVtable = exportVtable(onMethodCall, onGetProperty);
  // 1. The object first, so that a host reacting to the registration finds it.
  registration_ = g_dbus_connection_register_object(
      connection_, s::kItemPath, statusNotifierItemInterface(), &kVtable, this, nullptr, nullptr);
  // 2. The name hosts expect; the unique name serves when another process holds it.
  const std::string name =
      s::kItemNamePrefix + std::to_string(getpid()) + "-" + std::to_string(number);
  ownsName_ = requestName(connection_, name);
  const char* unique = g_dbus_connection_get_unique_name(connection_);
  busName_ = ownsName_ ? name : std::string(unique ? unique : "");
  // 3. Registered on every appearance of a watcher, the first one included, and whenever the
  //    watcher drops it while it lives.
  unregistered_ =
      SignalSubscription(connection_, s::kWatcherName, s::kWatcherInterface, s::kItemUnregistered,
                         s::kWatcherPath, onItemUnregistered, this);
  watch_ =
      g_bus_watch_name_on_connection(connection_, s::kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                     onWatcherAppeared, onWatcherVanished, this, nullptr);
}

StatusNotifierItem::~StatusNotifierItem() {
  if (idle_) g_source_remove(idle_);
  g_bus_unwatch_name(watch_);
  if (registration_) g_dbus_connection_unregister_object(connection_, registration_);
  if (ownsName_) {
    // No reply awaited: the name goes when the bus reads the message.
    g_dbus_connection_call(connection_, dbus::kBusName, dbus::kBusPath, dbus::kBusInterface,
                           dbus::kReleaseName, g_variant_new("(s)", busName_.c_str()), nullptr,
                           G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
  }
}

void StatusNotifierItem::onWatcherAppeared(GDBusConnection*, const char*, const char* owner,
                                           gpointer self) {
  auto* item = static_cast<StatusNotifierItem*>(self);
  item->watcher_ = owner;
  item->registrations_ = 0;
  item->registerItem();
}

void StatusNotifierItem::onWatcherVanished(GDBusConnection*, const char*, gpointer self) {
  static_cast<StatusNotifierItem*>(self)->watcher_.clear();
}

void StatusNotifierItem::onItemUnregistered(GDBusConnection*, const char* sender, const char*,
                                            const char*, const char*, GVariant* parameters,
                                            gpointer self) {
  auto* item = static_cast<StatusNotifierItem*>(self);
  if (item->watcher_.empty() || item->watcher_ != sender) return;
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(s)"))) return;
  const char* id = nullptr;
  g_variant_get(parameters, "(&s)", &id);
  const char* unique = g_dbus_connection_get_unique_name(item->connection_);
  if (namesItemOf(id, item->busName_) || namesItemOf(id, unique ? unique : "")) {
    item->registerItem();
  }
}

void StatusNotifierItem::registerItem() {
  if (busName_.empty() || registrations_ >= kMaxRegistrations) return;
  ++registrations_;
  // The object path: the watcher takes the sender's unique name with it, which every host
  // accepts, while a well-known name has the GNOME Shell's extension race its own watch of
  // the name and drop the item in a quarter to half of all launches. No reply awaited: a
  // watcher that refuses leaves the item unseen, as no watcher does.
  g_dbus_connection_call(connection_, s::kWatcherName, s::kWatcherPath, s::kWatcherInterface,
                         s::kRegisterItem, g_variant_new("(s)", s::kItemPath), nullptr,
                         G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, nullptr, nullptr);
}

void StatusNotifierItem::setTitle(std::string_view title) {
  if (title == title_) return;
  title_ = title;
  changed(kTitle);
}

void StatusNotifierItem::setLabel(std::string_view label) {
  if (label == label_) return;
  label_ = label;
  changed(kLabel);
}

void StatusNotifierItem::setToolTip(std::string_view toolTip) {
  if (toolTip == toolTip_) return;
  toolTip_ = toolTip;
  changed(kToolTip);
}

void StatusNotifierItem::setIcon(std::shared_ptr<const PixelImage> image) {
  if (same(image.get(), icon_.get())) return;
  icon_ = std::move(image);
  GVariant* pixmaps =
      icon_ ? iconPixmaps(*icon_) : g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0);
  pixmaps_.reset(g_variant_ref_sink(pixmaps));
  changed(kIcon);
}

void StatusNotifierItem::setNeedsAttention(bool attention) {
  if (attention == attention_) return;
  attention_ = attention;
  changed(kStatus);
}

void StatusNotifierItem::changed(Change change) {
  pending_ |= change;
  if (!idle_) idle_ = g_idle_add(&StatusNotifierItem::onIdle, this);
}

gboolean StatusNotifierItem::onIdle(gpointer self) {
  auto* item = static_cast<StatusNotifierItem*>(self);
  const unsigned pending = std::exchange(item->pending_, 0);
  item->idle_ = 0;
  if (pending & kTitle) item->emit(s::kNewTitle);
  if (pending & kIcon) item->emit(s::kNewIcon);
  if (pending & kToolTip) item->emit(s::kNewToolTip);
  if (pending & kLabel) {
    item->emit(s::kNewLabel,
               g_variant_new("(@s@s)", textVariant(item->label_), textVariant(item->label_)));
  }
  if (pending & kStatus) {
    item->emit(s::kNewStatus, g_variant_new("(s)", item->attention_ ? s::kStatusNeedsAttention
                                                                    : s::kStatusActive));
  }
  return G_SOURCE_REMOVE;
}

void StatusNotifierItem::emit(const char* signal, GVariant* parameters) {
  if (!registration_) {
    const GVariantPtr dropped(parameters ? g_variant_ref_sink(parameters) : nullptr);
    return;
  }
  g_dbus_connection_emit_signal(connection_, nullptr, s::kItemPath, s::kItemInterface, signal,
                                parameters, nullptr);
}

GVariant* StatusNotifierItem::property(std::string_view name) const {
  if (name == s::kCategory) return g_variant_new_string(s::kCategoryApplicationStatus);
  if (name == s::kId) return g_variant_new_string(s::kItemId);
  if (name == s::kTitle) return textVariant(title_);
  if (name == s::kStatus) {
    return g_variant_new_string(attention_ ? s::kStatusNeedsAttention : s::kStatusActive);
  }
  if (name == s::kWindowId) return g_variant_new_int32(0);
  if (name == s::kIconName) return textVariant(iconFile(icon_.get()).first);
  if (name == s::kIconThemePath) return textVariant(iconFile(icon_.get()).second);
  if (name == s::kIconPixmap) return g_variant_ref(pixmaps_.get());
  if (name == s::kOverlayIconName || name == s::kAttentionIconName ||
      name == s::kAttentionMovieName) {
    return g_variant_new_string("");
  }
  if (name == s::kOverlayIconPixmap || name == s::kAttentionIconPixmap) {
    return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0);
  }
  if (name == s::kToolTip) {
    return g_variant_new("(s@a(iiay)@ss)", "",
                         g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0),
                         textVariant(toolTip_), "");
  }
  if (name == s::kItemIsMenu) return g_variant_new_boolean(TRUE);
  if (name == s::kMenu) return g_variant_new_object_path(dbus::menu::kPath);
  if (name == s::kLabel || name == s::kLabelGuide) return textVariant(label_);
  return nullptr;
}

GVariant* StatusNotifierItem::onGetProperty(GDBusConnection*, const char*, const char*, const char*,
                                            const char* property, GError** error, gpointer self) {
  GVariant* value = static_cast<StatusNotifierItem*>(self)->property(property);
  if (!value)
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS, "no property %s", property);
  return value;
}

void StatusNotifierItem::onMethodCall(GDBusConnection*, const char*, const char*, const char*,
                                      const char* method, GVariant*,
                                      GDBusMethodInvocation* invocation, gpointer) {
  // The item is only a menu (ItemIsMenu). Hosts that call Activate anyway take this error as
  // "no activation": Plasma (on a left click) then opens the menu itself, and the GNOME Shell
  // extension (on a double click) stops waiting for a second click before opening it. LXQt
  // ignores the answer: there the menu opens on a right click only.
  if (std::string_view(method) == s::kActivate) {
    g_dbus_method_invocation_return_dbus_error(invocation, dbus::kErrorUnknownMethod,
                                               "the item is a menu");
    return;
  }
  // SecondaryActivate, ContextMenu, Scroll: nothing to do.
  g_dbus_method_invocation_return_value(invocation, nullptr);
}

}  // namespace nvx::platform
