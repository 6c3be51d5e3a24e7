#include "StatusNotifierItem.h"

#include <unistd.h>

#include <string_view>
#include <utility>

#include "platform/linux/dbus/AppendText.h"
#include "platform/linux/dbus/DesktopNames.h"
#include "platform/linux/glib/GPtr.h"

namespace nvx::platform {
namespace {

namespace s = dbus::sni;

bool same(const PixelImage* a, const PixelImage* b) {
  if (a == b) return true;
  if (!a || !b) return false;
  return a->pixelWidth() == b->pixelWidth() && a->pixelHeight() == b->pixelHeight() &&
         a->path() == b->path() && (&a->argb() == &b->argb() || a->argb() == b->argb());
}

// The icon name and theme path of an icon file: "<dir>/<name>.png" gives <name> and <dir>,
// or <name>-symbolic when asked for and "<dir>/<name>-symbolic.svg" is there.
std::pair<std::string, std::string> iconFile(const PixelImage* image, bool symbolic) {
  if (!image || image->path().empty()) return {};
  const GCharPtr dir(g_path_get_dirname(image->path().c_str()));
  const GCharPtr base(g_path_get_basename(image->path().c_str()));
  std::string name(base.get());
  if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.erase(dot);
  const std::string symbolicName = name + s::kSymbolicSuffix;
  const std::string symbolicFile = std::string(dir.get()) + "/" + symbolicName + ".svg";
  if (symbolic && g_file_test(symbolicFile.c_str(), G_FILE_TEST_IS_REGULAR))
    return {symbolicName, dir.get()};
  return {name, dir.get()};
}

// RequestName's answer when the name is ours now.
constexpr std::uint32_t kPrimaryOwner = 1;

int ignoreReply(sd_bus_message*, void*, sd_bus_error*) {
  return 0;
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

// Each method and property as hosts call and read it; sd-bus answers Introspect and the
// Properties interface from this table, and refuses calls with the wrong arguments.
#define NVX_ITEM_PROPERTY(name, type) \
  SD_BUS_PROPERTY(name, type, StatusNotifierItem::onGetProperty, 0, 0)
const sd_bus_vtable StatusNotifierItem::kVtable[] = {
    SD_BUS_VTABLE_START(0),
    NVX_ITEM_PROPERTY(s::kCategory, "s"),
    NVX_ITEM_PROPERTY(s::kId, "s"),
    NVX_ITEM_PROPERTY(s::kTitle, "s"),
    NVX_ITEM_PROPERTY(s::kStatus, "s"),
    NVX_ITEM_PROPERTY(s::kWindowId, "i"),
    NVX_ITEM_PROPERTY(s::kIconName, "s"),
    NVX_ITEM_PROPERTY(s::kIconPixmap, "a(iiay)"),
    NVX_ITEM_PROPERTY(s::kIconThemePath, "s"),
    NVX_ITEM_PROPERTY(s::kOverlayIconName, "s"),
    NVX_ITEM_PROPERTY(s::kOverlayIconPixmap, "a(iiay)"),
    NVX_ITEM_PROPERTY(s::kAttentionIconName, "s"),
    NVX_ITEM_PROPERTY(s::kAttentionIconPixmap, "a(iiay)"),
    NVX_ITEM_PROPERTY(s::kAttentionMovieName, "s"),
    NVX_ITEM_PROPERTY(s::kToolTip, "(sa(iiay)ss)"),
    NVX_ITEM_PROPERTY(s::kItemIsMenu, "b"),
    NVX_ITEM_PROPERTY(s::kMenu, "o"),
    NVX_ITEM_PROPERTY(s::kLabel, "s"),
    NVX_ITEM_PROPERTY(s::kLabelGuide, "s"),
    SD_BUS_METHOD(s::kActivate, "ii", "", StatusNotifierItem::onActivate, 0),
    SD_BUS_METHOD(s::kSecondaryActivate, "ii", "", StatusNotifierItem::onIgnoredCall, 0),
    SD_BUS_METHOD(s::kContextMenu, "ii", "", StatusNotifierItem::onIgnoredCall, 0),
    SD_BUS_METHOD(s::kScroll, "is", "", StatusNotifierItem::onIgnoredCall, 0),
    SD_BUS_SIGNAL(s::kNewTitle, "", 0),
    SD_BUS_SIGNAL(s::kNewIcon, "", 0),
    SD_BUS_SIGNAL(s::kNewAttentionIcon, "", 0),
    SD_BUS_SIGNAL(s::kNewOverlayIcon, "", 0),
    SD_BUS_SIGNAL(s::kNewToolTip, "", 0),
    SD_BUS_SIGNAL(s::kNewStatus, "s", 0),
    SD_BUS_SIGNAL(s::kNewLabel, "ss", 0),
    SD_BUS_VTABLE_END,
};
#undef NVX_ITEM_PROPERTY

StatusNotifierItem::StatusNotifierItem(Bus& bus, int number)
    : bus_(bus),
      name_(s::kItemNamePrefix + std::to_string(getpid()) + "-" + std::to_string(number)) {
  exportItem();
  bus_.addClient(*this);
}

StatusNotifierItem::~StatusNotifierItem() {
  bus_.removeClient(*this);
  if (idle_) g_source_remove(idle_);
  object_.reset();
  // No reply awaited: the name goes when the bus reads the message.
  if (ownsName_)
    sd_bus_release_name_async(bus_.get(), nullptr, name_.c_str(), ignoreReply, nullptr);
}

void StatusNotifierItem::reconnected() {
  object_.reset();
  nameRequest_.reset();
  unregistered_.reset();
  watcher_.reset();
  watcherOwner_.clear();
  ownsName_ = false;
  exportItem();
}

void StatusNotifierItem::exportItem() {
  sd_bus* bus = bus_.get();
  // 1. The object first, so that a host reacting to the registration finds it.
  sd_bus_add_object_vtable(bus, OutPtr(object_), s::kItemPath, s::kItemInterface, kVtable, this);
  // 2. The name hosts expect, asked for without waiting: nothing on the bus may hold up the
  //    parent's input. The unique name serves when another process holds it.
  sd_bus_request_name_async(bus, OutPtr(nameRequest_), name_.c_str(), 0, onNameRequested, this);
  // 3. Registered on every appearance of a watcher, the first one included, and whenever the
  //    watcher drops it while it lives.
  unregistered_ = matchSignal(bus, s::kWatcherName, s::kWatcherPath, s::kWatcherInterface,
                              s::kItemUnregistered, onItemUnregistered, this);
  watcher_.emplace(bus, s::kWatcherName, [this] { onWatcherChange(); });
}

int StatusNotifierItem::onNameRequested(sd_bus_message* reply, void* self, sd_bus_error*) {
  auto* item = static_cast<StatusNotifierItem*>(self);
  std::uint32_t result = 0;
  if (!sd_bus_message_is_method_error(reply, nullptr) &&
      sd_bus_message_read(reply, "u", &result) >= 0 && result == kPrimaryOwner) {
    item->ownsName_ = true;
  }
  return 0;
}

void StatusNotifierItem::onWatcherChange() {
  const std::string& owner = watcher_->owner();
  if (owner.empty() || owner == watcherOwner_) return;
  watcherOwner_ = owner;
  registrations_ = 0;
  registerItem();
}

int StatusNotifierItem::onItemUnregistered(sd_bus_message* signal, void* self, sd_bus_error*) {
  auto* item = static_cast<StatusNotifierItem*>(self);
  if (!item->watcher_->isOwner(sd_bus_message_get_sender(signal))) return 0;
  const char* id = nullptr;
  if (sd_bus_message_read(signal, "s", &id) < 0) return 0;
  const char* unique = nullptr;
  if (sd_bus_get_unique_name(item->bus_.get(), &unique) < 0) unique = nullptr;
  if ((item->ownsName_ && namesItemOf(id, item->name_)) || namesItemOf(id, unique ? unique : "")) {
    item->registerItem();
  }
  return 0;
}

void StatusNotifierItem::registerItem() {
  if (registrations_ >= kMaxRegistrations) return;
  ++registrations_;
  // The object path: the watcher takes the sender's unique name with it, which every host
  // accepts, while a well-known name has the GNOME Shell's extension race its own watch of
  // the name and drop the item in a quarter to half of all launches. No reply awaited: a
  // watcher that refuses leaves the item unseen, as no watcher does.
  MessagePtr call;
  if (sd_bus_message_new_method_call(bus_.get(), OutPtr(call), s::kWatcherName, s::kWatcherPath,
                                     s::kWatcherInterface, s::kRegisterItem) < 0) {
    return;
  }
  sd_bus_message_set_auto_start(call.get(), 0);
  sd_bus_message_set_expect_reply(call.get(), 0);
  if (sd_bus_message_append(call.get(), "s", s::kItemPath) < 0) return;
  sd_bus_send(bus_.get(), call.get(), nullptr);
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

void StatusNotifierItem::setIcon(std::shared_ptr<const PixelImage> image, bool symbolic) {
  // Every change of the button's title comes here too: the same icon costs no file lookup.
  if (same(image.get(), icon_.get()) && symbolic == symbolic_) return;
  symbolic_ = symbolic;
  auto [name, dir] = iconFile(image.get(), symbolic);
  // No pixels beside the symbolic form: hosts that have both draw the pixels (XFCE).
  const bool byName = name.ends_with(s::kSymbolicSuffix);
  pixmaps_ = image && !byName ? iconPixmaps(*image) : std::vector<IconPixmap>();
  icon_ = std::move(image);
  iconName_ = std::move(name);
  iconDir_ = std::move(dir);
  changed(kIcon);
}

void StatusNotifierItem::setNeedsAttention(bool attention) {
  if (attention == attention_) return;
  attention_ = attention;
  changed(kStatus);
}

void StatusNotifierItem::changed(unsigned change) {
  pending_ |= change;
  if (pending_ && !idle_) idle_ = g_idle_add(&StatusNotifierItem::onIdle, this);
}

gboolean StatusNotifierItem::onIdle(gpointer self) {
  auto* item = static_cast<StatusNotifierItem*>(self);
  item->idle_ = 0;
  // A bus that reads nothing gets nothing more until it has taken what waits.
  if (item->bus_.backlogged()) {
    item->bus_.notifyWhenDrained(*item);
    return G_SOURCE_REMOVE;
  }
  const unsigned pending = std::exchange(item->pending_, 0);
  if (pending & kTitle) item->emit(s::kNewTitle);
  if (pending & kIcon) item->emit(s::kNewIcon);
  if (pending & kToolTip) item->emit(s::kNewToolTip);
  if (pending & kLabel) item->emit(s::kNewLabel);
  if (pending & kStatus) item->emit(s::kNewStatus);
  return G_SOURCE_REMOVE;
}

void StatusNotifierItem::emit(const char* signal) {
  MessagePtr message;
  if (!object_ || sd_bus_message_new_signal(bus_.get(), OutPtr(message), s::kItemPath,
                                            s::kItemInterface, signal) < 0) {
    return;
  }
  int r = 0;
  if (std::string_view(signal) == s::kNewLabel) {
    r = appendText(message.get(), label_);
    if (r < 0) return;
    r = appendText(message.get(), label_);
  } else if (std::string_view(signal) == s::kNewStatus) {
    r = sd_bus_message_append(message.get(), "s",
                              attention_ ? s::kStatusNeedsAttention : s::kStatusActive);
  }
  if (r < 0) return;
  // A closed connection refuses the signal; hosts are gone then and nothing is lost.
  sd_bus_send(bus_.get(), message.get(), nullptr);
}

int StatusNotifierItem::appendProperty(sd_bus_message* reply, std::string_view name) const {
  const auto text = [reply](std::string_view value) { return appendText(reply, value); };
  if (name == s::kCategory) return text(s::kCategoryApplicationStatus);
  if (name == s::kId) return text(s::kItemId);
  if (name == s::kTitle) return text(title_);
  if (name == s::kStatus) return text(attention_ ? s::kStatusNeedsAttention : s::kStatusActive);
  if (name == s::kWindowId) return sd_bus_message_append(reply, "i", 0);
  if (name == s::kIconName) return text(iconName_);
  if (name == s::kIconThemePath) return text(iconDir_);
  if (name == s::kIconPixmap) return appendIconPixmaps(reply, pixmaps_);
  if (name == s::kOverlayIconPixmap || name == s::kAttentionIconPixmap) {
    return appendIconPixmaps(reply, {});
  }
  if (name == s::kToolTip) {
    int r = sd_bus_message_open_container(reply, 'r', "sa(iiay)ss");
    if (r < 0) return r;
    r = text("");
    if (r < 0) return r;
    r = appendIconPixmaps(reply, {});
    if (r < 0) return r;
    r = text(toolTip_);
    if (r < 0) return r;
    r = text("");
    if (r < 0) return r;
    return sd_bus_message_close_container(reply);
  }
  if (name == s::kItemIsMenu) return sd_bus_message_append(reply, "b", 1);
  if (name == s::kMenu) return sd_bus_message_append(reply, "o", dbus::menu::kPath);
  if (name == s::kLabel || name == s::kLabelGuide) return text(label_);
  // OverlayIconName, AttentionIconName, AttentionMovieName: none.
  return text("");
}

int StatusNotifierItem::onGetProperty(sd_bus*, const char*, const char*, const char* property,
                                      sd_bus_message* reply, void* self, sd_bus_error*) {
  return static_cast<const StatusNotifierItem*>(self)->appendProperty(reply, property);
}

int StatusNotifierItem::onActivate(sd_bus_message* call, void*, sd_bus_error*) {
  // The item is only a menu (ItemIsMenu). Hosts that call Activate anyway take this error as
  // "no activation": Plasma (on a left click) then opens the menu itself, and the GNOME Shell
  // extension (on a double click) stops waiting for a second click before opening it. LXQt
  // ignores the answer: there the menu opens on a right click only.
  return sd_bus_reply_method_errorf(call, dbus::kErrorUnknownMethod, "the item is a menu");
}

int StatusNotifierItem::onIgnoredCall(sd_bus_message* call, void*, sd_bus_error*) {
  // SecondaryActivate, ContextMenu, Scroll: nothing to do.
  return sd_bus_reply_method_return(call, "");
}

}  // namespace nvx::platform
