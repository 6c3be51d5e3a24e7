// Method calls of a tray host, as the serialized arguments a bus peer may send, answered from
// a menu tree and carried out (clicks included), without a bus. The first bytes shape the
// tree, the next picks the method, the rest are its arguments. A reply that is neither a
// tuple nor an error, or a click that reaches an entry that takes none, traps.
#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/linux/dbus/GPtr.h"
#include "platform/linux/menu/DesktopMenu.h"
#include "platform/linux/menu/MenuCalls.h"
#include "platform/linux/menu/MenuTree.h"

namespace {

using namespace nvx::platform;

void check(bool ok) {
  if (!ok) __builtin_trap();
}

struct Method {
  const char* name;
  const char* type;
};

constexpr Method kMethods[] = {
    {"GetLayout", "(iias)"},      {"GetGroupProperties", "(aias)"},
    {"GetProperty", "(is)"},      {"Event", "(isvu)"},
    {"EventGroup", "(a(isvu))"},  {"AboutToShow", "(i)"},
    {"AboutToShowGroup", "(ai)"}, {"Nonsense", "(i)"},
};

// A menu whose first chosen entry rebuilds it, as an action that sends a new description
// may; later clicks must find only the new entries.
struct ChoosingMenu final : ActionTarget {
  MenuTree tree;
  DesktopMenu root{tree};
  int chosenCount = 0;

  // One entry per shape byte: bit 0 separator, 1 disabled, 2 submenu of two, 3 checked;
  // titles are slices of `text`, whatever their bytes.
  void build(const std::uint8_t* shape, std::size_t n, std::string_view text) {
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t bits = shape[i];
      auto entry = std::make_unique<DesktopMenuItem>(tree, std::string(text.substr(0, i * 3)),
                                                     MenuAction::Chosen, bits & 1);
      entry->setTarget(this);
      entry->setEnabled(!(bits & 2));
      entry->setState(bits & 8 ? ControlState::On : ControlState::Off);
      if (bits & 4) {
        auto submenu = std::make_unique<DesktopMenu>(tree);
        for (int k = 0; k < 2; ++k) {
          auto child = std::make_unique<DesktopMenuItem>(tree, "_", MenuAction::Chosen, false);
          child->setTarget(this);
          submenu->addItem(std::move(child));
        }
        entry->setSubmenu(std::move(submenu));
      }
      root.addItem(std::move(entry));
    }
  }

  void chosen(MenuItem& sender) override {
    check(static_cast<DesktopMenuItem&>(sender).acceptsClick());
    if (++chosenCount == 1) {
      root.removeAllItems();
      root.addItem(std::make_unique<DesktopMenuItem>(tree, "new", MenuAction::Chosen, false));
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t entries = data[0] % 8;
  if (size < 2 + entries) return 0;
  ChoosingMenu menu;
  menu.tree.setRoot(&menu.root);
  const std::string_view rest(reinterpret_cast<const char*>(data + 2 + entries),
                              size - 2 - entries);
  menu.build(data + 2, entries, rest);
  const Method& method = kMethods[data[1] % std::size(kMethods)];

  // A copy of its own, aligned as GVariant needs; never trusted to be in normal form.
  const std::unique_ptr<GBytes, nvx::GFree<g_bytes_unref>> bytes(
      g_bytes_new(rest.data(), rest.size()));
  const nvx::GVariantPtr parameters(g_variant_ref_sink(
      g_variant_new_from_bytes(G_VARIANT_TYPE(method.type), bytes.get(), FALSE)));
  for (int round = 0; round < 2; ++round) {
    MenuReply reply = answerMenuCall(menu.tree, 1, method.name, parameters.get());
    check((reply.error != nullptr) != (reply.parameters != nullptr));
    if (reply.parameters) check(g_variant_is_of_type(reply.parameters.get(), G_VARIANT_TYPE_TUPLE));
    if (reply.click) clickEntry(menu.tree, reply.click);
  }
  return 0;
}
