#include "MenuCalls.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "DesktopMenu.h"
#include "platform/linux/dbus/DesktopNames.h"
#include "platform/linux/dbus/TextVariant.h"

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

const EntryProperties& root() {
  static const EntryProperties properties = rootProperties();
  return properties;
}

MenuReply error(std::string message, const char* name = dbus::kErrorInvalidArgs) {
  MenuReply out;
  out.error = name;
  out.message = std::move(message);
  return out;
}

MenuReply reply(GVariant* parameters) {
  MenuReply out;
  out.parameters.reset(g_variant_ref_sink(parameters));
  return out;
}

MenuReply unknownId(std::int32_t id) {
  return error("no menu entry with id " + std::to_string(id));
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

// (ia{sv}av) for `node` and, while `depth` (-1: all) and `levels` allow, the entries below.
// Made from its children, not through builders and format strings; one list per menu.
GVariant* layout(const Node& node, int depth, int levels, PropertyMask mask) {
  std::vector<GVariant*> children;
  if (node.children && depth != 0 && levels > 1) {
    children.reserve(node.children->itemCount());
    for (std::size_t i = 0; i < node.children->itemCount(); ++i) {
      const DesktopMenuItem& entry = node.children->entry(i);
      const Node child{entry.id(), entry.properties(), entry.desktopSubmenu()};
      children.push_back(
          g_variant_new_variant(layout(child, depth < 0 ? depth : depth - 1, levels - 1, mask)));
    }
  }
  GVariant* fields[] = {g_variant_new_int32(node.id), propertiesVariant(node.properties, mask),
                        g_variant_new_array(variantType("v"), children.data(), children.size())};
  return g_variant_new_tuple(fields, 3);
}

MenuReply getLayout(const MenuTree& tree, std::uint32_t revision, GVariant* parameters) {
  std::int32_t parent = 0;
  std::int32_t depth = 0;
  GVariant* names = nullptr;
  g_variant_get(parameters, "(ii@as)", &parent, &depth, &names);
  const GVariantPtr namesHolder(names);
  if (depth < -1) return error("recursion depth below -1");
  const auto node = shownNode(tree, parent);
  if (!node) return unknownId(parent);
  GVariant* fields[] = {g_variant_new_uint32(revision),
                        layout(*node, depth, kMaxLayoutLevels, propertyMask(names))};
  return reply(g_variant_new_tuple(fields, 2));
}

// The ids of an "ai", each once, in ascending order.
std::vector<std::int32_t> distinctIds(GVariant* ids) {
  gsize count = 0;
  const auto* data = static_cast<const std::int32_t*>(
      g_variant_get_fixed_array(ids, &count, sizeof(std::int32_t)));
  std::vector<std::int32_t> out(data, data + count);
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

MenuReply getGroupProperties(const MenuTree& tree, GVariant* parameters) {
  const GVariantPtr ids(g_variant_get_child_value(parameters, 0));
  const GVariantPtr names(g_variant_get_child_value(parameters, 1));
  const PropertyMask mask = propertyMask(names.get());
  std::vector<GVariant*> entries;
  // Unknown ids are left out, as the protocol's reference server does.
  for (std::int32_t id : distinctIds(ids.get())) {
    if (const auto node = shownNode(tree, id)) {
      GVariant* fields[] = {g_variant_new_int32(id), propertiesVariant(node->properties, mask)};
      entries.push_back(g_variant_new_tuple(fields, 2));
    }
  }
  GVariant* list = g_variant_new_array(variantType("(ia{sv})"), entries.data(), entries.size());
  return reply(g_variant_new_tuple(&list, 1));
}

MenuReply getProperty(const MenuTree& tree, GVariant* parameters) {
  std::int32_t id = 0;
  const char* name = nullptr;
  g_variant_get(parameters, "(i&s)", &id, &name);
  const auto node = shownNode(tree, id);
  if (!node) return unknownId(id);
  const PropertyMask bit = propertyBit(name);
  if (bit == 0) return error("no menu entry property " + std::string(name));
  return reply(g_variant_new("(v)", propertyValue(node->properties, bit)));
}

MenuReply event(const MenuTree& tree, GVariant* parameters) {
  std::int32_t id = 0;
  const char* eventId = nullptr;
  g_variant_get(parameters, "(i&svu)", &id, &eventId, nullptr, nullptr);
  if (!shownNode(tree, id)) return unknownId(id);
  MenuReply out = reply(g_variant_new("()"));
  if (std::string_view(eventId) == m::kEventClicked) out.click = id;
  return out;
}

MenuReply eventGroup(const MenuTree& tree, GVariant* parameters) {
  const GVariantPtr events(g_variant_get_child_value(parameters, 0));
  GVariantBuilder errors;
  g_variant_builder_init(&errors, G_VARIANT_TYPE("ai"));
  std::int32_t click = 0;
  const gsize count = g_variant_n_children(events.get());
  for (gsize i = 0; i < count; ++i) {
    std::int32_t id = 0;
    const char* eventId = nullptr;
    g_variant_get_child(events.get(), i, "(i&svu)", &id, &eventId, nullptr, nullptr);
    if (!shownNode(tree, id)) {
      g_variant_builder_add(&errors, "i", id);
    } else if (click == 0 && std::string_view(eventId) == m::kEventClicked && clickable(tree, id)) {
      // A person clicks one entry at a time: one message never chooses more than one, the
      // first that takes the click.
      click = id;
    }
  }
  MenuReply out = reply(g_variant_new("(ai)", &errors));
  out.click = click;
  return out;
}

MenuReply aboutToShow(const MenuTree& tree, GVariant* parameters) {
  std::int32_t id = 0;
  g_variant_get(parameters, "(i)", &id);
  if (!shownNode(tree, id)) return unknownId(id);
  // The menu is always up to date: changes are published as they happen.
  return reply(g_variant_new("(b)", FALSE));
}

MenuReply aboutToShowGroup(const MenuTree& tree, GVariant* parameters) {
  const GVariantPtr ids(g_variant_get_child_value(parameters, 0));
  GVariantBuilder errors;
  g_variant_builder_init(&errors, G_VARIANT_TYPE("ai"));
  for (std::int32_t id : distinctIds(ids.get())) {
    if (!shownNode(tree, id)) g_variant_builder_add(&errors, "i", id);
  }
  return reply(
      g_variant_new("(@aiai)", g_variant_new_array(G_VARIANT_TYPE_INT32, nullptr, 0), &errors));
}

}  // namespace

MenuReply answerMenuCall(const MenuTree& tree, std::uint32_t revision, std::string_view method,
                         GVariant* parameters) {
  struct Method {
    const char* name;
    const char* type;
    MenuReply (*answer)(const MenuTree&, GVariant*);
  };
  static constexpr Method kMethods[] = {
      {m::kGetGroupProperties, "(aias)", getGroupProperties},
      {m::kGetProperty, "(is)", getProperty},
      {m::kEvent, "(isvu)", event},
      {m::kEventGroup, "(a(isvu))", eventGroup},
      {m::kAboutToShow, "(i)", aboutToShow},
      {m::kAboutToShowGroup, "(ai)", aboutToShowGroup},
  };
  if (!parameters) return error("no arguments");
  if (method == m::kGetLayout) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(iias)"))) return error("wrong type");
    return getLayout(tree, revision, parameters);
  }
  for (const Method& known : kMethods) {
    if (method != known.name) continue;
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE(known.type))) return error("wrong type");
    return known.answer(tree, parameters);
  }
  return error("no such method", dbus::kErrorUnknownMethod);
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
