// Method calls of a tray host, as the serialized arguments a bus peer may send, answered from
// a menu tree and carried out (clicks included), without a bus to send them on. The first
// bytes shape the tree, the next picks the method, the rest are its arguments. A reply that is
// neither complete with the interface's types nor an error, or a click that reaches an entry
// that takes none, traps.
#include <glib.h>
#include <sys/socket.h>
#include <systemd/sd-bus.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/linux/dbus/Bus.h"
#include "platform/linux/glib/GPtr.h"
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
  const char* reply;
};

constexpr Method kMethods[] = {
    {"GetLayout", "(iias)", "u(ia{sv}av)"}, {"GetGroupProperties", "(aias)", "a(ia{sv})"},
    {"GetProperty", "(is)", "v"},           {"Event", "(isvu)", ""},
    {"EventGroup", "(a(isvu))", "ai"},      {"AboutToShow", "(i)", "b"},
    {"AboutToShowGroup", "(ai)", "aiai"},   {"Nonsense", "(i)", nullptr},
};

// Appends `value` to `message` as sd-bus would have read it off the wire.
void append(sd_bus_message* message, GVariant* value) {
  const char* type = g_variant_get_type_string(value);
  switch (type[0]) {
    case 'a':
    case '(':
    case '{': {
      const char kind = type[0] == 'a' ? 'a' : type[0] == '(' ? 'r' : 'e';
      const std::string inner = kind == 'a' ? type + 1 : std::string(type + 1, strlen(type) - 2);
      check(sd_bus_message_open_container(message, kind, inner.c_str()) >= 0);
      for (std::size_t i = 0; i < g_variant_n_children(value); ++i) {
        const nvx::GVariantPtr child(g_variant_get_child_value(value, i));
        append(message, child.get());
      }
      check(sd_bus_message_close_container(message) >= 0);
      return;
    }
    case 'v':  // the menu never reads a variant's contents (event data)
      check(sd_bus_message_append(message, "v", "i", 0) >= 0);
      return;
    case 's':
    case 'o':
    case 'g':
      check(sd_bus_message_append_basic(message, type[0], g_variant_get_string(value, nullptr)) >=
            0);
      return;
    case 'b': {
      const int b = g_variant_get_boolean(value);
      check(sd_bus_message_append_basic(message, 'b', &b) >= 0);
      return;
    }
    default: {  // fixed-size numbers, in the machine's order as sd-bus keeps them
      std::uint64_t number = 0;
      g_variant_store(value, &number);
      check(sd_bus_message_append_basic(message, type[0], &number) >= 0);
    }
  }
}

// A connection that is never started on a peer: enough to make messages.
sd_bus* messageFactory() {
  static sd_bus* const bus = [] {
    int fds[2];
    sd_bus* made = nullptr;
    check(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0);
    check(sd_bus_new(&made) >= 0 && sd_bus_set_fd(made, fds[0], fds[0]) >= 0 &&
          sd_bus_start(made) >= 0);
    return made;
  }();
  return bus;
}

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
  MessagePtr callHolder;
  check(sd_bus_message_new_method_call(messageFactory(), OutPtr(callHolder), "org.example.Host",
                                       "/MenuBar", "com.canonical.dbusmenu", method.name) >= 0);
  sd_bus_message* call = callHolder.get();
  const std::size_t arguments = g_variant_n_children(parameters.get());
  for (std::size_t i = 0; i < arguments; ++i) {
    const nvx::GVariantPtr argument(g_variant_get_child_value(parameters.get(), i));
    append(call, argument.get());
  }
  check(sd_bus_message_seal(call, 1, 0) >= 0);
  for (int round = 0; round < 2; ++round) {
    check(sd_bus_message_rewind(call, 1) >= 0);
    MessagePtr replyHolder;
    check(sd_bus_message_new_method_return(call, OutPtr(replyHolder)) >= 0);
    sd_bus_message* reply = replyHolder.get();
    sd_bus_error error = SD_BUS_ERROR_NULL;
    std::int32_t click = 0;
    const int result = answerMenuCall(menu.tree, 1, call, reply, &error, click);
    check((result < 0) == (sd_bus_error_is_set(&error) != 0));
    if (!method.reply) check(result < 0);
    if (result >= 0) {
      check(sd_bus_message_seal(reply, 2, 0) >= 0);
      check(std::string_view(sd_bus_message_get_signature(reply, 1)) == method.reply);
    }
    sd_bus_error_free(&error);
    if (click) clickEntry(menu.tree, click);
  }
  return 0;
}
