#include "Bus.h"

#include <poll.h>

#include <cstdint>

#include "DesktopNames.h"

namespace nvx::platform {
namespace {

constexpr int kMessagesPerDispatch = 64;

}  // namespace

// A GLib source that polls the connection's socket and dispatches what sd-bus has read,
// including messages it queued while waiting for the reply to a synchronous call.
struct Bus::Source {
  GSource source;
  sd_bus* bus;
  GPollFD fd;

  // The time until sd-bus has something to do: queued messages (0) or a call timing out.
  static bool due(Source* self, gint* timeout) {
    std::uint64_t until = 0;
    if (sd_bus_get_timeout(self->bus, &until) <= 0 || until == UINT64_MAX) {
      *timeout = -1;
      return false;
    }
    const auto now = static_cast<std::uint64_t>(g_get_monotonic_time());
    if (until <= now) {
      *timeout = 0;
      return true;
    }
    *timeout = static_cast<gint>((until - now + 999) / 1000);
    return false;
  }

  static gboolean prepare(GSource* source, gint* timeout) {
    auto* self = reinterpret_cast<Source*>(source);
    const int events = sd_bus_get_events(self->bus);
    self->fd.events = static_cast<gushort>(events > 0 ? events : 0);
    return due(self, timeout);
  }

  static gboolean check(GSource* source) {
    auto* self = reinterpret_cast<Source*>(source);
    gint timeout = 0;
    return self->fd.revents != 0 || due(self, &timeout);
  }

  static gboolean dispatch(GSource* source, GSourceFunc, gpointer) {
    auto* self = reinterpret_cast<Source*>(source);
    // A bounded batch, so that a peer flooding the bus cannot starve the input; what is left
    // shows as ready again on the next turn.
    int processed = 0;
    for (int i = 0; i < kMessagesPerDispatch; ++i) {
      if ((processed = sd_bus_process(self->bus, nullptr)) <= 0) break;
    }
    // A closed connection stays closed: stop polling its socket, which would report its hang-up
    // on every turn of the loop. (A callback's error also ends the loop above, on an open
    // connection: the rest is processed on the next turn.)
    if (processed < 0 && sd_bus_is_open(self->bus) <= 0 && self->fd.fd >= 0) {
      g_source_remove_poll(source, &self->fd);
      self->fd = {-1, 0, 0};  // GLib no longer clears its last events
    }
    return G_SOURCE_CONTINUE;
  }
};

std::unique_ptr<Bus> Bus::open(const std::string& address) {
  sd_bus* bus = nullptr;
  if (sd_bus_new(&bus) < 0) return nullptr;
  if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
      sd_bus_start(bus) < 0) {
    sd_bus_unref(bus);
    return nullptr;
  }
  return std::unique_ptr<Bus>(new Bus(bus));
}

Bus::Bus(sd_bus* bus) : bus_(bus) {
  static GSourceFuncs funcs = {Source::prepare, Source::check, Source::dispatch, nullptr, {}, {}};
  source_ = g_source_new(&funcs, sizeof(Source));
  auto* source = reinterpret_cast<Source*>(source_);
  source->bus = bus_;
  source->fd = {sd_bus_get_fd(bus_), 0, 0};
  g_source_add_poll(source_, &source->fd);
  // Not taken out of the poll set while it dispatches (two writes of GLib's wake-up descriptor
  // a message): nothing here runs a nested loop.
  g_source_set_can_recurse(source_, TRUE);
  g_source_attach(source_, nullptr);
}

Bus::~Bus() {
  g_source_destroy(source_);
  g_source_unref(source_);
  sd_bus_flush_close_unref(bus_);
}

const char* Bus::uniqueName() const {
  const char* name = nullptr;
  return sd_bus_get_unique_name(bus_, &name) >= 0 && name ? name : "";
}

int appendText(sd_bus_message* message, std::string_view text) {
  const char* end = nullptr;
  if (g_utf8_validate_len(text.data(), text.size(), &end)) {
    // sd-bus takes NUL-terminated strings; the copy keeps its capacity between texts.
    thread_local std::string copy;
    copy.assign(text);
    return sd_bus_message_append_basic(message, 's', copy.c_str());
  }
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  const int result = sd_bus_message_append_basic(message, 's', valid);
  g_free(valid);
  return result;
}

NameWatch::NameWatch(sd_bus* bus, const char* name, std::function<void()> onChange)
    : name_(name), onChange_(std::move(onChange)) {
  // Matched first, asked second: a change between the two is not missed, and an answer that
  // comes after a change is stale.
  // The bus sends only the changes of this name (arg0).
  const std::string rule = std::string("type='signal',sender='") + dbus::kBusName + "',path='" +
                           dbus::kBusPath + "',interface='" + dbus::kBusInterface + "',member='" +
                           dbus::kNameOwnerChanged + "',arg0='" + name_ + "'";
  sd_bus_slot* match = nullptr;
  sd_bus_add_match_async(bus, &match, rule.c_str(), onOwnerChanged, nullptr, this);
  match_.reset(match);
  sd_bus_slot* query = nullptr;
  sd_bus_call_method_async(bus, &query, dbus::kBusName, dbus::kBusPath, dbus::kBusInterface,
                           dbus::kGetNameOwner, onOwner, this, "s", name);
  query_.reset(query);
}

int NameWatch::onOwnerChanged(sd_bus_message* message, void* self, sd_bus_error*) {
  auto* watch = static_cast<NameWatch*>(self);
  const char* name = nullptr;
  const char* before = nullptr;
  const char* after = nullptr;
  if (sd_bus_message_read(message, "sss", &name, &before, &after) < 0) return 0;
  if (watch->name_ != name) return 0;
  watch->changed_ = true;
  watch->setOwner(after);
  return 0;
}

int NameWatch::onOwner(sd_bus_message* reply, void* self, sd_bus_error*) {
  auto* watch = static_cast<NameWatch*>(self);
  // Released later with the watch: the slot must outlive its own callback.
  if (watch->changed_) return 0;
  const char* owner = nullptr;
  if (sd_bus_message_is_method_error(reply, nullptr) ||
      sd_bus_message_read(reply, "s", &owner) < 0) {
    return 0;  // no owner yet: NameOwnerChanged will say when there is one
  }
  watch->setOwner(owner);
  return 0;
}

void NameWatch::setOwner(const char* owner) {
  if (owner_ == owner) return;
  owner_ = owner;
  if (onChange_) onChange_();
}

}  // namespace nvx::platform
