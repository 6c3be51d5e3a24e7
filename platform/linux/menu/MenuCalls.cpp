#include "MenuCalls.h"

#include <algorithm>
#include <cinttypes>
#include <optional>
#include <string_view>
#include <vector>

#include "DesktopMenu.h"
#include "platform/linux/dbus/DesktopNames.h"

namespace nvx::platform {
namespace {

namespace m = dbus::menu;

// An entry as the layout sees it: its id, what it shows (not copied) and the menu below it
// (may be null).
struct Node {
  std::int32_t id;
  const EntryProperties& properties;
  const DesktopMenu* children;
};

// One call being answered.
struct Call {
  const MenuTree& tree;
  std::uint32_t revision;
  sd_bus_message* in;
  sd_bus_message* out;
  sd_bus_error* error;
  std::int32_t click = 0;
};

const EntryProperties& root() {
  static const EntryProperties properties = rootProperties();
  return properties;
}

int unknownId(const Call& call, std::int32_t id) {
  return sd_bus_error_setf(call.error, SD_BUS_ERROR_INVALID_ARGS, "no menu entry with id %" PRId32,
                           id);
}

// The entry `id` when a click would choose it: shown, taking clicks itself and below no
// disabled entry (a person cannot reach it, as no host opens a disabled submenu); else null.
DesktopMenuItem* clickable(const MenuTree& tree, std::int32_t id) {
  DesktopMenuItem* entry = tree.findShown(id);
  if (!entry || !entry->acceptsClick()) return nullptr;
  for (const DesktopMenuItem* up = entry->menu()->parentItem(); up; up = up->menu()->parentItem())
    if (!up->isEnabled()) return nullptr;
  return entry;
}

// The node for `id`, when hosts can see it.
std::optional<Node> shownNode(const MenuTree& tree, std::int32_t id) {
  if (id == m::kRootId) return Node{id, root(), tree.root()};
  const DesktopMenuItem* entry = tree.findShown(id);
  if (!entry) return std::nullopt;
  return Node{id, entry->properties(), entry->desktopSubmenu()};
}

// Appends (ia{sv}av) for `node` and, while `depth` (-1: all) and `levels` allow, the entries
// below.
int appendLayout(sd_bus_message* out, const Node& node, int depth, int levels, PropertyMask mask) {
  int r = sd_bus_message_open_container(out, SD_BUS_TYPE_STRUCT, "ia{sv}av");
  if (r < 0) return r;
  r = sd_bus_message_append_basic(out, SD_BUS_TYPE_INT32, &node.id);
  if (r < 0) return r;
  r = appendProperties(out, node.properties, mask);
  if (r < 0) return r;
  r = sd_bus_message_open_container(out, SD_BUS_TYPE_ARRAY, "v");
  if (r < 0) return r;
  if (node.children && depth != 0 && levels > 1) {
    for (std::size_t i = 0; i < node.children->itemCount(); ++i) {
      const DesktopMenuItem& entry = node.children->entry(i);
      const Node child{entry.id(), entry.properties(), entry.desktopSubmenu()};
      r = sd_bus_message_open_container(out, SD_BUS_TYPE_VARIANT, "(ia{sv}av)");
      if (r < 0) return r;
      r = appendLayout(out, child, depth < 0 ? depth : depth - 1, levels - 1, mask);
      if (r < 0) return r;
      r = sd_bus_message_close_container(out);
      if (r < 0) return r;
    }
  }
  r = sd_bus_message_close_container(out);
  if (r < 0) return r;
  return sd_bus_message_close_container(out);
}

int getLayout(Call& call) {
  std::int32_t parent = 0;
  std::int32_t depth = 0;
  PropertyMask mask = 0;
  int r = sd_bus_message_read(call.in, "ii", &parent, &depth);
  if (r < 0) return r;
  r = readPropertyMask(call.in, mask);
  if (r < 0) return r;
  if (depth < -1) {
    return sd_bus_error_set(call.error, SD_BUS_ERROR_INVALID_ARGS, "recursion depth below -1");
  }
  const auto node = shownNode(call.tree, parent);
  if (!node) return unknownId(call, parent);
  r = sd_bus_message_append_basic(call.out, SD_BUS_TYPE_UINT32, &call.revision);
  if (r < 0) return r;
  return appendLayout(call.out, *node, depth, kMaxLayoutLevels, mask);
}

// Reads an "ai" into its ids, each once, in ascending order.
int readDistinctIds(sd_bus_message* in, std::vector<std::int32_t>& ids) {
  const void* data = nullptr;
  std::size_t size = 0;
  const int r = sd_bus_message_read_array(in, SD_BUS_TYPE_INT32, &data, &size);
  if (r < 0) return r;
  const auto* first = static_cast<const std::int32_t*>(data);
  ids.assign(first, first + size / sizeof(std::int32_t));
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return r;
}

int getGroupProperties(Call& call) {
  std::vector<std::int32_t> ids;
  PropertyMask mask = 0;
  int r = readDistinctIds(call.in, ids);
  if (r < 0) return r;
  r = readPropertyMask(call.in, mask);
  if (r < 0) return r;
  r = sd_bus_message_open_container(call.out, SD_BUS_TYPE_ARRAY, "(ia{sv})");
  if (r < 0) return r;
  // Unknown ids are left out, as the protocol's reference server does.
  for (std::int32_t id : ids) {
    const auto node = shownNode(call.tree, id);
    if (!node) continue;
    r = sd_bus_message_open_container(call.out, SD_BUS_TYPE_STRUCT, "ia{sv}");
    if (r < 0) return r;
    r = sd_bus_message_append_basic(call.out, SD_BUS_TYPE_INT32, &id);
    if (r < 0) return r;
    r = appendProperties(call.out, node->properties, mask);
    if (r < 0) return r;
    r = sd_bus_message_close_container(call.out);
    if (r < 0) return r;
  }
  return sd_bus_message_close_container(call.out);
}

int getProperty(Call& call) {
  std::int32_t id = 0;
  const char* name = nullptr;
  const int r = sd_bus_message_read(call.in, "is", &id, &name);
  if (r < 0) return r;
  const auto node = shownNode(call.tree, id);
  if (!node) return unknownId(call, id);
  const PropertyMask bit = propertyBit(name);
  if (bit == 0) {
    return sd_bus_error_setf(call.error, SD_BUS_ERROR_INVALID_ARGS, "no menu entry property %s",
                             name);
  }
  return appendPropertyValue(call.out, node->properties, bit);
}

int event(Call& call) {
  std::int32_t id = 0;
  const char* eventId = nullptr;
  const int r = sd_bus_message_read(call.in, "is", &id, &eventId);
  if (r < 0) return r;
  if (!shownNode(call.tree, id)) return unknownId(call, id);
  if (std::string_view(eventId) == m::kEventClicked) call.click = id;
  return 0;
}

int eventGroup(Call& call) {
  int r = sd_bus_message_enter_container(call.in, SD_BUS_TYPE_ARRAY, "(isvu)");
  if (r < 0) return r;
  r = sd_bus_message_open_container(call.out, SD_BUS_TYPE_ARRAY, "i");
  if (r < 0) return r;
  while ((r = sd_bus_message_enter_container(call.in, SD_BUS_TYPE_STRUCT, "isvu")) > 0) {
    std::int32_t id = 0;
    const char* eventId = nullptr;
    r = sd_bus_message_read(call.in, "is", &id, &eventId);
    if (r < 0) return r;
    r = sd_bus_message_skip(call.in, "vu");
    if (r < 0) return r;
    r = sd_bus_message_exit_container(call.in);
    if (r < 0) return r;
    if (!shownNode(call.tree, id)) {
      r = sd_bus_message_append_basic(call.out, SD_BUS_TYPE_INT32, &id);
      if (r < 0) return r;
    } else if (call.click == 0 && std::string_view(eventId) == m::kEventClicked &&
               clickable(call.tree, id)) {
      // A person clicks one entry at a time: one message never chooses more than one, the
      // first that takes the click.
      call.click = id;
    }
  }
  if (r < 0) return r;
  r = sd_bus_message_exit_container(call.in);
  if (r < 0) return r;
  return sd_bus_message_close_container(call.out);
}

int aboutToShow(Call& call) {
  std::int32_t id = 0;
  const int r = sd_bus_message_read_basic(call.in, SD_BUS_TYPE_INT32, &id);
  if (r < 0) return r;
  if (!shownNode(call.tree, id)) return unknownId(call, id);
  // The menu is always up to date: changes are published as they happen.
  return sd_bus_message_append(call.out, "b", 0);
}

int aboutToShowGroup(Call& call) {
  std::vector<std::int32_t> ids;
  int r = readDistinctIds(call.in, ids);
  if (r < 0) return r;
  r = sd_bus_message_append_array(call.out, SD_BUS_TYPE_INT32, nullptr, 0);
  if (r < 0) return r;
  r = sd_bus_message_open_container(call.out, SD_BUS_TYPE_ARRAY, "i");
  if (r < 0) return r;
  for (std::int32_t id : ids) {
    if (shownNode(call.tree, id)) continue;
    r = sd_bus_message_append_basic(call.out, SD_BUS_TYPE_INT32, &id);
    if (r < 0) return r;
  }
  return sd_bus_message_close_container(call.out);
}

}  // namespace

int answerMenuCall(const MenuTree& tree, std::uint32_t revision, sd_bus_message* call,
                   sd_bus_message* reply, sd_bus_error* error, std::int32_t& click) {
  struct Method {
    const char* name;
    int (*answer)(Call&);
  };
  static constexpr Method kMethods[] = {
      {m::kGetLayout, getLayout},
      {m::kGetGroupProperties, getGroupProperties},
      {m::kGetProperty, getProperty},
      {m::kEvent, event},
      {m::kEventGroup, eventGroup},
      {m::kAboutToShow, aboutToShow},
      {m::kAboutToShowGroup, aboutToShowGroup},
  };
  click = 0;
  const char* member = sd_bus_message_get_member(call);
  for (const Method& known : kMethods) {
    if (!member || std::string_view(member) != known.name) continue;
    Call answering{tree, revision, call, reply, error};
    const int r = known.answer(answering);
    if (r >= 0) click = answering.click;
    return r;
  }
  return sd_bus_error_set(error, SD_BUS_ERROR_UNKNOWN_METHOD, "no such method");
}

bool clickEntry(MenuTree& tree, std::int32_t id) {
  DesktopMenuItem* entry = clickable(tree, id);
  if (!entry) return false;
  // As a click in a menu: the menu closes first, then the entry's action goes out.
  if (DesktopMenu* root = tree.root()) root->cancelTracking();
  entry->choose();
  return true;
}

}  // namespace nvx::platform
