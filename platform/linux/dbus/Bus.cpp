#include "Bus.h"

#include <poll.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace nvx::platform {
namespace {

constexpr int kMessagesPerDispatch = 64;

// The first new connection after a failed one is opened this soon; each one after waits twice
// as long as the one before, up to the cap, so a peer repeating its trick costs little.
constexpr guint kFirstRetryMs = 100;
constexpr guint kMaxRetryMs = 300'000;

// What a bus that reads nothing has not taken by then is lost with the connection: the exit
// must not wait for it.
constexpr std::uint64_t kCloseFlushUs = 200'000;

std::uint64_t now() {
  return static_cast<std::uint64_t>(g_get_monotonic_time());
}

sd_bus* connect(const std::string& address) {
  sd_bus* bus = nullptr;
  if (sd_bus_new(&bus) < 0) return nullptr;
  // Connecting, authenticating and Hello all go on as the loop turns: nothing here waits.
  // Trusted, as sd-bus's own user-bus connections are: otherwise every method call a host
  // makes first costs a synchronous GetConnectionUnixUser round trip to the bus driver, and a
  // caller of another user is refused.
  if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
      sd_bus_set_trusted(bus, 1) < 0 || sd_bus_start(bus) < 0) {
    sd_bus_unref(bus);
    return nullptr;
  }
  return bus;
}

void flushBriefly(sd_bus* bus) {
  const std::uint64_t end = now() + kCloseFlushUs;
  std::uint64_t queued = 0;
  while (sd_bus_get_n_queued_write(bus, &queued) >= 0 && queued > 0) {
    const std::uint64_t t = now();
    if (t >= end) return;
    const int r = sd_bus_process(bus, nullptr);
    if (r < 0 || (r == 0 && sd_bus_wait(bus, end - t) < 0)) return;
  }
}

int ignoreRefusal(sd_bus_message*, void*, sd_bus_error*) {
  return 0;
}

}  // namespace

// A GLib source that polls the connection's socket and dispatches what sd-bus has read,
// including messages it queued while waiting for the reply to a synchronous call.
struct Bus::Source {
  GSource source;
  Bus* owner;
  GPollFD fd;

  // The time until sd-bus has something to do: queued messages (0) or a call timing out.
  static bool due(Source* self, gint* timeout) {
    std::uint64_t until = 0;
    if (sd_bus_get_timeout(self->owner->bus_, &until) <= 0 || until == UINT64_MAX) {
      *timeout = -1;
      return false;
    }
    const std::uint64_t t = now();
    if (until <= t) {
      *timeout = 0;
      return true;
    }
    *timeout = static_cast<gint>(std::min<std::uint64_t>((until - t + 999) / 1000, G_MAXINT));
    return false;
  }

  static gboolean prepare(GSource* source, gint* timeout) {
    auto* self = reinterpret_cast<Source*>(source);
    const int events = sd_bus_get_events(self->owner->bus_);
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
    Bus& bus = *self->owner;
    // A bounded batch, so that a peer flooding the bus cannot starve the input; what is left
    // shows as ready again on the next turn.
    int processed = 0;
    for (int i = 0; i < kMessagesPerDispatch; ++i) {
      if ((processed = sd_bus_process(bus.bus_, nullptr)) <= 0) break;
    }
    // No callback of ours fails, so an error on an open connection will come back on every
    // turn: that connection is done. A closed one stays closed.
    if (processed < 0) {
      if (sd_bus_is_open(bus.bus_) > 0) {
        bus.fail();
      } else {
        self->stopPolling();
      }
    }
    if (!bus.waiting_.empty() && !bus.backlogged()) {
      for (Client* client : std::exchange(bus.waiting_, {}))
        client->drained();
    }
    return G_SOURCE_CONTINUE;
  }

  // Stops polling the socket, which would report its hang-up on every turn of the loop.
  void stopPolling() {
    if (fd.fd < 0) return;
    g_source_remove_poll(&source, &fd);
    fd = {-1, 0, 0};  // GLib no longer clears its last events
  }

  void poll(sd_bus* bus) {
    fd = {sd_bus_get_fd(bus), 0, 0};
    g_source_add_poll(&source, &fd);
  }
};

std::unique_ptr<Bus> Bus::open(const std::string& address) {
  sd_bus* bus = connect(address);
  return bus ? std::unique_ptr<Bus>(new Bus(address, bus)) : nullptr;
}

Bus::Bus(std::string address, sd_bus* bus) : address_(std::move(address)), bus_(bus) {
  static GSourceFuncs funcs = {Source::prepare, Source::check, Source::dispatch, nullptr, {}, {}};
  source_ = g_source_new(&funcs, sizeof(Source));
  auto* source = reinterpret_cast<Source*>(source_);
  source->owner = this;
  source->poll(bus_);
  // Not taken out of the poll set while it dispatches (two writes of GLib's wake-up descriptor
  // a message): nothing here runs a nested loop.
  g_source_set_can_recurse(source_, TRUE);
  g_source_attach(source_, nullptr);
}

Bus::~Bus() {
  if (retry_) g_source_remove(retry_);
  g_source_destroy(source_);
  g_source_unref(source_);
  flushBriefly(bus_);
  sd_bus_close_unref(bus_);
}

const char* Bus::uniqueName() const {
  const char* name = nullptr;
  return sd_bus_get_unique_name(bus_, &name) >= 0 && name ? name : "";
}

void Bus::addClient(Client& client) {
  clients_.push_back(&client);
}

void Bus::removeClient(Client& client) {
  std::erase(clients_, &client);
  std::erase(waiting_, &client);
}

bool Bus::backlogged() const {
  std::uint64_t queued = 0;
  return sd_bus_get_n_queued_write(bus_, &queued) >= 0 && queued > 0;
}

void Bus::notifyWhenDrained(Client& client) {
  if (std::find(waiting_.begin(), waiting_.end(), &client) == waiting_.end())
    waiting_.push_back(&client);
}

void Bus::fail() {
  reinterpret_cast<Source*>(source_)->stopPolling();
  sd_bus_close(bus_);
  if (retry_) return;
  const guint delay = std::min<guint>(kFirstRetryMs << std::min(reconnections_, 20), kMaxRetryMs);
  ++reconnections_;
  retry_ = g_timeout_add(delay, &Bus::onRetry, this);
}

gboolean Bus::onRetry(gpointer self) {
  auto* bus = static_cast<Bus*>(self);
  bus->retry_ = 0;
  sd_bus* fresh = connect(bus->address_);
  if (!fresh) {
    bus->fail();  // the bus may come back: try again later
    return G_SOURCE_REMOVE;
  }
  sd_bus* old = std::exchange(bus->bus_, fresh);
  reinterpret_cast<Source*>(bus->source_)->poll(fresh);
  bus->waiting_.clear();
  // A copy: a client may add or remove others while it sets itself up again.
  for (Client* client : std::vector<Client*>(bus->clients_)) {
    if (std::find(bus->clients_.begin(), bus->clients_.end(), client) != bus->clients_.end())
      client->reconnected();
  }
  // The clients have let go of their slots on it.
  sd_bus_unref(old);
  return G_SOURCE_REMOVE;
}

SlotPtr addMatch(sd_bus* bus, const std::string& rule, sd_bus_message_handler_t callback,
                 void* userdata) {
  SlotPtr slot;
  // Without an install callback sd-bus ends the whole connection when the bus refuses a match.
  const int r =
      sd_bus_add_match_async(bus, OutPtr(slot), rule.c_str(), callback, ignoreRefusal, userdata);
  if (r < 0) return nullptr;
  return slot;
}

SlotPtr matchSignal(sd_bus* bus, const char* sender, const char* path, const char* interface,
                    const char* member, sd_bus_message_handler_t callback, void* userdata) {
  SlotPtr slot;
  const int r = sd_bus_match_signal_async(bus, OutPtr(slot), sender, path, interface, member,
                                          callback, ignoreRefusal, userdata);
  if (r < 0) return nullptr;
  return slot;
}

}  // namespace nvx::platform
