// The agent's side of the session bus, with the message bus itself played here on the other
// end of the agent's connection. One agent (menu, status item, notifications, the portal's hot
// key) lives across inputs; each input is a script of steps: signals and method calls to it
// with any sender, path, interface, member and body; names changing owner; things the agent
// does itself; bytes that end the connection. How the services answer the agent's own calls
// is read from the input as the calls come. After each step the loop runs until the agent has
// answered a ping and makes no more calls.
//
// Traps: a hot-key press or a notification response whose message is no Activated or
// ActionInvoked of the service's owner as the bus driver named it (or of a note that owner
// numbered); a call by the agent after a message from a peer that owns none of the names; a
// call to the agent left unanswered; a connection ended by anything but bytes that are no
// message; an agent that never goes quiet, or waits for the bus (the driver here runs on the
// agent's own thread: a blocking call never returns in time).
#include <glib-unix.h>
#include <glib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <systemd/sd-bus.h>
#include <systemd/sd-id128.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/NotificationCenter.h"
#include "platform/linux/dbus/Bus.h"
#include "platform/linux/dbus/DesktopNames.h"
#include "platform/linux/hotkeys/PortalHotKeys.h"
#include "platform/linux/item/StatusNotifierItem.h"
#include "platform/linux/menu/DesktopMenu.h"
#include "platform/linux/menu/DesktopMenuItem.h"
#include "platform/linux/menu/MenuExporter.h"
#include "platform/linux/menu/MenuTree.h"
#include "platform/linux/notifications/FreedesktopNotifications.h"

namespace {

using namespace nvx::platform;
using namespace nvx::desktop;
namespace names = nvx::platform::dbus;

// The bus driver's and the properties interface's names that only the bus played here uses.
constexpr char kRequestName[] = "RequestName";
constexpr char kReleaseName[] = "ReleaseName";
constexpr std::uint32_t kNameReplyPrimaryOwner = 1;
constexpr char kPropertiesChanged[] = "PropertiesChanged";
namespace sni = nvx::platform::dbus::sni;

void check(bool ok) {
  if (!ok) __builtin_trap();
}

// The owners of the three names at the start of every input, a former owner that answers late,
// and a peer that owns nothing.
constexpr char kNotesOwner[] = ":1.100";
constexpr char kPortalOwner[] = ":1.101";
constexpr char kWatcherOwner[] = ":1.102";
constexpr char kOldOwner[] = ":1.103";
constexpr char kForger[] = ":1.200";
constexpr std::pair<const char*, const char*> kServices[] = {{kNotificationsName, kNotesOwner},
                                                             {kPortalName, kPortalOwner},
                                                             {sni::kWatcherName, kWatcherOwner}};

constexpr char kPeerInterface[] = "org.freedesktop.DBus.Peer";
constexpr char kLocalPath[] = "/org/freedesktop/DBus/Local";
constexpr char kLocalInterface[] = "org.freedesktop.DBus.Local";
constexpr char kShortcutId[] = "NVXC-1";  // the id PortalHotKeys makes of kHotKey
constexpr HotKeyId kHotKey{0x4E565843, 1};

// Longer than the loop ever needs for one step, even on a loaded machine.
constexpr gint64 kPatienceUs = 5'000'000;
// Rounds of calls and answers after one step before the agent must have gone quiet.
constexpr int kMaxRounds = 16;

// The input, byte by byte; zeros once it is used up.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool done() const { return at_ >= size_; }
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  // Small numbers (notification and menu ids) are one byte; any other takes eight more.
  std::uint64_t number() {
    const std::uint8_t first = byte();
    if (first < 0xF0) return first;
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
      value = value << 8 | byte();
    return value;
  }
  // What a D-Bus string can hold: UTF-8 without NUL.
  std::string text(std::size_t max) {
    const std::size_t n = std::min<std::size_t>(byte() % (max + 1), size_ - std::min(at_, size_));
    std::string raw(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    std::replace(raw.begin(), raw.end(), '\0', ' ');
    if (g_utf8_validate(raw.data(), static_cast<gssize>(raw.size()), nullptr)) return raw;
    gchar* valid = g_utf8_make_valid(raw.data(), static_cast<gssize>(raw.size()));
    raw = valid;
    g_free(valid);
    return raw;
  }
  std::string pick(std::initializer_list<std::string> table) {
    return table.begin()[byte() % table.size()];
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// The request path a portal derives from a caller's unique name and a token.
std::string portalPath(const char* kind, const std::string& unique, const std::string& token) {
  std::string caller = unique.substr(unique.empty() ? 0 : 1);
  std::replace(caller.begin(), caller.end(), '.', '_');
  return std::string("/org/freedesktop/portal/desktop/") + kind + "/" + caller + "/" + token;
}

// The string under `key` in the a{sv} options that are the last argument of `call`.
std::string option(sd_bus_message* call, const char* skip, const char* key) {
  std::string found;
  if (sd_bus_message_rewind(call, 1) < 0 || (*skip && sd_bus_message_skip(call, skip) < 0) ||
      sd_bus_message_enter_container(call, 'a', "{sv}") <= 0) {
    return found;
  }
  while (sd_bus_message_enter_container(call, 'e', "sv") > 0) {
    const char* name = nullptr;
    const char* value = nullptr;
    if (sd_bus_message_read(call, "s", &name) < 0) break;
    if (std::strcmp(name, key) == 0 && sd_bus_message_read(call, "v", "s", &value) >= 0) {
      found = value;
    } else if (sd_bus_message_skip(call, "v") < 0) {
      break;
    }
    if (sd_bus_message_exit_container(call) < 0) break;
  }
  return found;
}

// The message bus on the other end of the agent's connection: the driver (Hello, matches,
// names) and the services the agent calls. Dispatched on GLib's default main context like the
// agent, so that one loop runs both.
class FakeBus {
 public:
  Input* input = nullptr;  // how services answer; plain answers without one
  bool refuseMatches = false;
  int connections = 0;
  int calls = 0;       // method calls by the agent
  int fromAgent = 0;   // calls and signals by the agent
  std::string client;  // the agent's unique name on this connection
  std::string session = "/";
  std::string request = "/";
  std::map<std::string, std::string> owners;  // what GetNameOwner answers, and who answers
  std::set<std::pair<std::string, std::uint32_t>> noteIds;  // Notify answers: sender, id

  FakeBus() {
    // Abstract: nothing to clean up when libFuzzer exits.
    const std::string name = "nvx-bus-fuzzer-" + std::to_string(getpid());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    check(listener_ >= 0 &&
          bind(listener_, reinterpret_cast<sockaddr*>(&address),
               static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size())) == 0 &&
          listen(listener_, 4) == 0);
    address_ = "unix:abstract=" + name;
    g_unix_fd_add(listener_, G_IO_IN, &FakeBus::onListener, this);
    // Wakes a blocked loop now and then, so that a step that hangs is seen.
    g_timeout_add(
        50, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  }

  const std::string& address() const { return address_; }
  sd_bus* peer() const { return peer_; }
  bool ready() const { return peer_ && hello_; }

  // Runs the loop until `done`; traps when that takes longer than any step may.
  template <class Done>
  void spin(Done done) {
    const gint64 end = g_get_monotonic_time() + kPatienceUs;
    while (!done()) {
      check(g_get_monotonic_time() < end);
      g_main_context_iteration(nullptr, TRUE);
    }
  }

  // Pings the agent and runs the loop until it answers: it has then handled every message
  // sent before. False when the connection ends instead.
  bool fence() {
    if (!ready()) return false;
    sd_bus_message* ping = nullptr;
    check(sd_bus_message_new_method_call(peer_, &ping, client.c_str(), "/", kPeerInterface,
                                         "Ping") >= 0);
    const MessagePtr holder(ping);
    const int connection = connections;
    int answer = 0;  // 1: answered, 2: failed
    sd_bus_slot* slot = nullptr;
    check(sd_bus_call_async(
              peer_, &slot, ping,
              [](sd_bus_message* reply, void* data, sd_bus_error*) {
                *static_cast<int*>(data) = sd_bus_message_is_method_error(reply, nullptr) ? 2 : 1;
                return 0;
              },
              &answer, 0) >= 0);
    const SlotPtr pending(slot);
    spin([&] { return answer || connections != connection || !peer_; });
    return answer == 1 && connections == connection && peer_;
  }

  // Fences and lets the loop go idle until a round passes without a message from the agent.
  // False when the connection ends meanwhile.
  bool settle() {
    for (int round = 0;; ++round) {
      check(round < kMaxRounds);
      const int before = fromAgent;
      if (!fence()) return false;
      // What the agent does once the loop is idle (its coalesced change signals) counts too.
      while (g_main_context_iteration(nullptr, FALSE)) {
      }
      if (fromAgent == before) return true;
    }
  }

  // Sends `m`; its cookie, or 0 when sd-bus refused it.
  std::uint64_t send(sd_bus_message* m) {
    std::uint64_t cookie = 0;
    return peer_ && sd_bus_send(peer_, m, &cookie) >= 0 ? cookie : 0;
  }

  // A signal from the driver that `name` now belongs to `owner` ("" for none).
  void announce(const std::string& name, const std::string& owner) {
    sd_bus_message* m = nullptr;
    if (!peer_ || sd_bus_message_new_signal(peer_, &m, names::kBusPath, names::kBusInterface,
                                            names::kNameOwnerChanged) < 0) {
      return;
    }
    const MessagePtr holder(m);
    const std::string before = owners[name];
    owners[name] = owner;
    if (sd_bus_message_set_sender(m, names::kBusName) >= 0 &&
        sd_bus_message_set_destination(m, client.c_str()) >= 0 &&
        sd_bus_message_append(m, "sss", name.c_str(), before.c_str(), owner.c_str()) >= 0) {
      send(m);
    }
  }

  // Writes `bytes` on the connection as they are, once sd-bus has written what it queued.
  void writeRaw(const std::uint8_t* bytes, std::size_t size) {
    spin([&] {
      std::uint64_t queued = 0;
      return !peer_ || (sd_bus_get_n_queued_write(peer_, &queued) >= 0 && queued == 0);
    });
    if (peer_) check(write(sd_bus_get_fd(peer_), bytes, size) == static_cast<ssize_t>(size));
  }

 private:
  // Polls the connection like the agent's own source.
  struct Source {
    GSource source;
    FakeBus* bus;
    GPollFD fd;

    static gboolean prepare(GSource* source, gint* timeout) {
      auto* self = reinterpret_cast<Source*>(source);
      const int events = sd_bus_get_events(self->bus->peer_);
      self->fd.events = static_cast<gushort>(events > 0 ? events : 0);
      *timeout = -1;
      return FALSE;
    }
    static gboolean check(GSource* source) {
      return reinterpret_cast<Source*>(source)->fd.revents != 0;
    }
    static gboolean dispatch(GSource* source, GSourceFunc, gpointer) {
      FakeBus* bus = reinterpret_cast<Source*>(source)->bus;
      int r = 0;
      while ((r = sd_bus_process(bus->peer_, nullptr)) > 0) {
      }
      if (r >= 0 && sd_bus_is_open(bus->peer_) > 0) return G_SOURCE_CONTINUE;
      bus->drop();
      return G_SOURCE_REMOVE;
    }
  };

  static gboolean onListener(gint, GIOCondition, gpointer data) {
    auto* self = static_cast<FakeBus*>(data);
    const int fd = accept4(self->listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) self->accept(fd);
    return G_SOURCE_CONTINUE;
  }

  void accept(int fd) {
    drop();  // the agent has left the old connection
    sd_id128_t id = SD_ID128_MAKE(6e, 76, 78, 62, 75, 73, 66, 75, 7a, 7a, 65, 72, 00, 00, 00, 01);
    check(sd_bus_new(&peer_) >= 0 && sd_bus_set_fd(peer_, fd, fd) >= 0 &&
          sd_bus_set_server(peer_, 1, id) >= 0 && sd_bus_start(peer_) >= 0 &&
          sd_bus_add_filter(peer_, nullptr, &FakeBus::onMessage, this) >= 0);
    hello_ = false;
    ++connections;
    static GSourceFuncs funcs = {Source::prepare, Source::check, Source::dispatch, nullptr, {}, {}};
    source_ = g_source_new(&funcs, sizeof(Source));
    auto* source = reinterpret_cast<Source*>(source_);
    source->bus = this;
    source->fd = {sd_bus_get_fd(peer_), 0, 0};
    g_source_add_poll(source_, &source->fd);
    g_source_attach(source_, nullptr);
  }

  void drop() {
    if (!peer_) return;
    g_source_destroy(source_);
    g_source_unref(source_);
    source_ = nullptr;
    sd_bus_close_unref(std::exchange(peer_, nullptr));
    hello_ = false;
  }

  static int onMessage(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<FakeBus*>(data);
    std::uint8_t type = 0;
    sd_bus_message_get_type(m, &type);
    if (type == SD_BUS_MESSAGE_SIGNAL && !sd_bus_message_is_signal(m, kLocalInterface, nullptr)) {
      ++self->fromAgent;
    }
    if (type != SD_BUS_MESSAGE_METHOD_CALL) return 1;
    ++self->fromAgent;
    ++self->calls;
    const char* destination = sd_bus_message_get_destination(m);
    if (destination && std::strcmp(destination, names::kBusName) == 0) {
      self->driver(m);
    } else {
      self->service(m, destination ? destination : "");
    }
    return 1;
  }

  // Sends `reply` from `sender` (none when empty).
  void answer(sd_bus_message* reply, const std::string& sender) {
    const MessagePtr holder(reply);
    if (sender.empty() || sd_bus_message_set_sender(reply, sender.c_str()) >= 0) send(reply);
  }

  void fail(sd_bus_message* call, const std::string& sender, const char* error) {
    sd_bus_message* reply = nullptr;
    if (sd_bus_message_new_method_errorf(call, &reply, error, "refused") >= 0)
      answer(reply, sender);
  }

  void driver(sd_bus_message* call) {
    const std::string_view member = sd_bus_message_get_member(call);
    if (member == names::kGetNameOwner) {
      const char* name = nullptr;
      if (sd_bus_message_read(call, "s", &name) >= 0 && !owners[name].empty()) {
        sd_bus_message* reply = nullptr;
        if (sd_bus_message_new_method_return(call, &reply) >= 0 &&
            sd_bus_message_append(reply, "s", owners[name].c_str()) >= 0) {
          answer(reply, names::kBusName);
        }
        return;
      }
      fail(call, names::kBusName, "org.freedesktop.DBus.Error.NameHasNoOwner");
      return;
    }
    if (member == "AddMatch" && refuseMatches) {
      fail(call, names::kBusName, "org.freedesktop.DBus.Error.LimitsExceeded");
      return;
    }
    sd_bus_message* reply = nullptr;
    if (sd_bus_message_new_method_return(call, &reply) < 0) return;
    int r = 0;
    if (member == "Hello") {
      client = ":1." + std::to_string(1000 + connections);
      hello_ = true;
      r = sd_bus_message_append(reply, "s", client.c_str());
    } else if (member == kRequestName || member == kReleaseName) {
      r = sd_bus_message_append(reply, "u", kNameReplyPrimaryOwner);
    } else if (member != "AddMatch" && member != "RemoveMatch") {
      sd_bus_message_unref(reply);
      fail(call, names::kBusName, names::kErrorUnknownMethod);
      return;
    }
    if (r >= 0) {
      answer(reply, names::kBusName);
    } else {
      sd_bus_message_unref(reply);
    }
  }

  // A service's answer, shaped by the next byte of the input: bits 0-1 answer, error, wrong
  // type or none; bits 2-3 from the owner, a former owner or no one; the rest per method.
  void service(sd_bus_message* call, const std::string& destination) {
    const std::string_view member = sd_bus_message_get_member(call);
    const std::string owner = owners[destination];
    if (member == sni::kRegisterItem || member == kClose) return;  // no answer expected
    const std::uint8_t policy = input ? input->byte() : 0;
    if (owner.empty()) {
      fail(call, names::kBusName, "org.freedesktop.DBus.Error.ServiceUnknown");
      return;
    }
    const int how = policy & 3;
    const std::string sender = (policy >> 2 & 3) == 0   ? owner
                               : (policy >> 2 & 3) == 1 ? kOldOwner
                                                        : "";
    if (how == 3) return;
    if (how == 1) {
      fail(call, sender, "org.freedesktop.DBus.Error.Failed");
      return;
    }
    sd_bus_message* reply = nullptr;
    if (sd_bus_message_new_method_return(call, &reply) < 0) return;
    int r = 0;
    if (how == 2) {
      r = sd_bus_message_append(reply, "i", 7);
    } else if (member == kGetCapabilities) {
      r = policy & 16 ? sd_bus_message_append(reply, "as", 0)
                      : sd_bus_message_append(reply, "as", 2, "actions", kBodyMarkup);
    } else if (member == kNotify) {
      const auto id = static_cast<std::uint32_t>(policy & 16 ? input->number() : ++notes_);
      r = sd_bus_message_append(reply, "u", id);
      noteIds.emplace(sender, id);
    } else if (member == kCreateSession || member == kBindShortcuts) {
      portal(call, member == kCreateSession, reply, sender, policy);
      return;
    } else {
      sd_bus_message_unref(reply);
      fail(call, sender, names::kErrorUnknownMethod);
      return;
    }
    if (r >= 0) {
      answer(reply, sender);
    } else {
      sd_bus_message_unref(reply);
    }
  }

  // The portal returns a request path and later signals the request's Response. Bit 4: a path
  // of its own instead of the token's; bits 5-6: Response after the answer, before it, none,
  // or a refusal; bit 7: the session handle typed as an object path.
  void portal(sd_bus_message* call, bool create, sd_bus_message* reply, const std::string& sender,
              std::uint8_t policy) {
    const char* skip = create ? "" : "oa(sa{sv})s";
    const std::string token = option(call, skip, kHandleToken);
    const std::string path =
        policy & 16 ? kRequestPathPrefix + std::string("elsewhere/") + std::to_string(++other_)
                    : portalPath("request", client, token);
    request = path;
    if (create) session = portalPath("session", client, option(call, skip, kSessionHandleToken));
    const int when = policy >> 5 & 3;
    if (when == 1) respond(path, create, sender, policy);
    if (sd_bus_message_append(reply, "o", path.c_str()) >= 0) {
      answer(reply, sender);
    } else {
      sd_bus_message_unref(reply);
    }
    if (when == 0 || when == 3) respond(path, create, sender, policy);
  }

  void respond(const std::string& path, bool create, const std::string& sender,
               std::uint8_t policy) {
    sd_bus_message* m = nullptr;
    if (!g_variant_is_object_path(path.c_str()) ||
        sd_bus_message_new_signal(peer_, &m, path.c_str(), kRequestInterface, kResponse) < 0) {
      return;
    }
    const MessagePtr holder(m);
    const char handleType = policy & 128 ? 'o' : 's';
    const std::uint32_t code = (policy >> 5 & 3) == 3 ? 1 : kResponseSuccess;
    int r = sd_bus_message_append(m, "u", code);
    if (r >= 0) r = sd_bus_message_open_container(m, 'a', "{sv}");
    if (create && r >= 0) {
      const char type[] = {handleType, 0};
      r = sd_bus_message_append(m, "{sv}", kSessionHandle, type, session.c_str());
    }
    if (r >= 0) r = sd_bus_message_close_container(m);
    if (r >= 0 && (sender.empty() || sd_bus_message_set_sender(m, sender.c_str()) >= 0) &&
        sd_bus_message_set_destination(m, client.c_str()) >= 0) {
      send(m);
    }
  }

  int listener_ = -1;
  std::string address_;
  sd_bus* peer_ = nullptr;
  GSource* source_ = nullptr;
  bool hello_ = false;
  std::uint32_t notes_ = 0;
  int other_ = 0;
};

// A message as the fuzzer sent it, for the checks made while the agent handles it.
struct Sent {
  bool signal = false;
  std::string sender;  // empty: none
  std::string path;
  std::string interface;
  std::string member;
  std::string signature;
  std::vector<std::string> args;  // top-level basic values as text; empty for containers
};

class Agent final : public NotificationDelegate, public ActionTarget {
 public:
  Agent() {
    bus_ = Bus::open(fake_.address());
    check(bus_ != nullptr);
    exporter_.emplace(*bus_, tree_);
    tree_.setRoot(&root_);
    buildMenu(nullptr, 0);
    item_.emplace(*bus_, 1);
    item_->setTitle("fuzz");
    notes_.emplace(*bus_, kAppIconName);
    notes_->setDelegate(this);
    keys_.emplace(*bus_);
    keys_->installHandler([this] { pressed(); });
    key_ = keys_->registerHotKey(37, 0x1800, kHotKey);
    check(key_ != nullptr);
    for (const auto& [name, owner] : kServices)
      fake_.owners[name] = owner;
    itemName_ = sni::kItemNamePrefix + std::to_string(getpid()) + "-1";
    fake_.spin([&] { return fake_.ready(); });
    check(fake_.settle());
  }

  void run(Input& in) {
    reset();
    fake_.input = &in;
    for (int steps = 0; !in.done() && steps < 64; ++steps)
      step(in);
    fake_.input = nullptr;
  }

  // NotificationDelegate
  unsigned willPresentNotification() override { return 0; }
  void didReceiveNotificationResponse(std::function<void()> completion) override {
    const Sent* m = current();
    check(m && m->signal && m->member == kActionInvoked && m->path == kNotificationsPath &&
          m->interface == kNotificationsInterface && plausible(kNotificationsName, m->sender) &&
          m->signature == "us" && m->args[1] == kDefaultAction);
    const auto id = static_cast<std::uint32_t>(std::stoul(m->args[0]));
    check(fake_.noteIds.count({m->sender, id}) > 0);
    completion();
  }

  // ActionTarget
  void chosen(MenuItem& sender) override {
    auto& entry = static_cast<DesktopMenuItem&>(sender);
    check(entry.acceptsClick());
    entry.setState(entry.state() == ControlState::On ? ControlState::Off : ControlState::On);
  }

 private:
  // Every input starts with each name passing to another owner and back, as services that
  // restart: the agent forgets what the last input told it and sets up its portal session.
  void reset() {
    fake_.input = nullptr;
    fake_.refuseMatches = false;
    sent_.clear();
    fake_.noteIds.clear();
    // Ids are never reused: a menu kept as it was keeps the ones inputs may know.
    if (std::exchange(menuChanged_, false)) buildMenu(nullptr, 0);
    plausible_.clear();
    fake_.owners.clear();
    for (const auto& [name, owner] : kServices)
      fake_.owners[name] = owner;
    for (const auto& [name, owner] : kServices) {
      fake_.announce(name, kOldOwner);
      check(fake_.settle());
      fake_.announce(name, owner);
      check(fake_.settle());
      plausible_[name] = {owner};
    }
  }

  bool plausible(const std::string& name, const std::string& sender) const {
    const auto found = plausible_.find(name);
    return found != plausible_.end() && found->second.count(sender) > 0;
  }

  bool ownsSomething(const std::string& sender) const {
    if (sender == names::kBusName) return true;
    for (const auto& service : kServices)
      if (plausible(service.first, sender)) return true;
    return false;
  }

  // What the agent is handling, when it is a message of ours.
  const Sent* current() const {
    sd_bus_message* m = sd_bus_get_current_message(bus_->get());
    std::uint64_t cookie = 0;
    if (!m || sd_bus_message_get_cookie(m, &cookie) < 0) return nullptr;
    const auto found = sent_.find(cookie);
    return found == sent_.end() ? nullptr : &found->second;
  }

  void pressed() {
    const Sent* m = current();
    check(m && m->signal && m->member == kActivated && m->path == kPortalPath &&
          m->interface == kGlobalShortcutsInterface && plausible(kPortalName, m->sender) &&
          m->signature.starts_with("os") && m->args[1] == kShortcutId);
  }

  // One entry per shape byte: bit 0 separator, 1 disabled, 2 submenu of two, 3 checked.
  void buildMenu(const std::uint8_t* shape, std::size_t n) {
    root_.removeAllItems();
    static const std::uint8_t kDefault[] = {0, 8, 4, 1, 2};
    if (!shape) {
      shape = kDefault;
      n = std::size(kDefault);
    }
    for (std::size_t i = 0; i < n; ++i) {
      auto entry = std::make_unique<DesktopMenuItem>(tree_, "entry " + std::to_string(i),
                                                     MenuAction::Chosen, shape[i] & 1);
      entry->setTarget(this);
      entry->setEnabled(!(shape[i] & 2));
      entry->setState(shape[i] & 8 ? ControlState::On : ControlState::Off);
      if (shape[i] & 4) {
        auto submenu = std::make_unique<DesktopMenu>(tree_);
        for (int k = 0; k < 2; ++k) {
          auto child = std::make_unique<DesktopMenuItem>(tree_, "_", MenuAction::Chosen, false);
          child->setTarget(this);
          submenu->addItem(std::move(child));
        }
        entry->setSubmenu(std::move(submenu));
      }
      root_.addItem(std::move(entry));
    }
  }

  void step(Input& in) {
    const int connections = fake_.connections;
    const int calls = fake_.calls;
    const std::uint8_t op = in.byte() % 12;
    bool forged = false;
    if (op < 8) {
      const std::optional<Sent> m = message(in, op >= 5);
      if (!m) return;
      forged = !ownsSomething(m->sender);
    } else if (op == 8) {
      const std::string name =
          in.pick({kNotificationsName, kPortalName, sni::kWatcherName, "org.example.Other"});
      const std::string owner = busName(in);
      plausible_[name].insert(owner);
      fake_.announce(name, owner);
    } else if (op == 9) {
      act(in);
    } else if (op == 10) {
      if (garbage(in)) return;
    } else {
      // The driver refuses the matches asked for from now on (the portal asks for some).
      fake_.refuseMatches = in.byte() & 1;
    }
    check(fake_.settle() && fake_.connections == connections);
    if (forged) check(fake_.calls == calls);
    check(awaiting_ == 0);
  }

  // Things the agent does of itself.
  void act(Input& in) {
    switch (in.byte() % 8) {
      case 0:
        notes_->add({"", in.text(32), in.text(64), static_cast<bool>(in.byte() & 1)});
        break;
      case 1:
        notes_->requestAuthorization(0, [](bool) {});
        break;
      case 2:
        item_->setTitle(in.text(32));
        break;
      case 3:
        item_->setLabel(in.text(32));
        break;
      case 4:
        item_->setToolTip(in.text(32));
        break;
      case 5:
        item_->setNeedsAttention(in.byte() & 1);
        break;
      case 6:
        if (in.byte() & 1) {
          exporter_->requestOpen();
        } else {
          exporter_->endAttention();
        }
        break;
      default: {
        std::uint8_t shape[8];
        const std::size_t n = in.byte() % 9;
        for (std::size_t i = 0; i < n; ++i)
          shape[i] = in.byte();
        buildMenu(shape, n);
        menuChanged_ = true;
      }
    }
  }

  // Bytes that are no message. Bit 0-1 of the next byte: neither byte order or over sd-bus's
  // size limit, which end the connection and have the agent open a new one; or a message
  // without its header fields, which sd-bus drops. Bit 7: the new connection's matches are
  // refused. True when the connection was replaced.
  bool garbage(Input& in) {
    const std::uint8_t kind = in.byte();
    std::uint8_t bytes[24] = {'l', 1, 0, 1};
    for (std::size_t i = 1; i < sizeof bytes; ++i)
      bytes[i] = in.byte();
    if (kind % 3 == 2) {  // no fields and no body: 16 bytes, a nonzero serial
      bytes[0] = 'l';
      std::memset(bytes + 4, 0, 4);
      bytes[8] |= 1;
      std::memset(bytes + 12, 0, 4);
      fake_.writeRaw(bytes, 16);
      return false;
    }
    if (kind % 3 == 0) {
      if (bytes[0] == 'l' || bytes[0] == 'B') bytes[0] = 'X';
    } else {
      bytes[0] = 'l';
      const std::uint32_t huge = 0x7FFFFFFF;
      std::memcpy(bytes + 4, &huge, 4);
    }
    const int connections = fake_.connections;
    fake_.writeRaw(bytes, sizeof bytes);
    fake_.spin([&] { return fake_.peer() == nullptr; });
    // The agent waits longer before each new connection than before the last: the fuzzer
    // cannot, and has the retry, the one source with the Bus as its data, come due now.
    GSource* retry = g_main_context_find_source_by_user_data(nullptr, bus_.get());
    check(retry != nullptr);
    g_source_set_ready_time(retry, 0);
    fake_.refuseMatches = kind & 128;
    fake_.spin([&] { return fake_.connections > connections && fake_.ready(); });
    sent_.clear();
    check(fake_.settle() && fake_.connections == connections + 1);
    check(awaiting_ == 0);
    return true;
  }

  std::string busName(Input& in) {
    const std::size_t n = 12;
    const std::uint8_t i = in.byte() % n;
    switch (i) {
      case 0:
        return "";
      case 1:
        return names::kBusName;
      case 2:
        return kNotesOwner;
      case 3:
        return kPortalOwner;
      case 4:
        return kWatcherOwner;
      case 5:
        return kOldOwner;
      case 6:
        return fake_.client;
      case 7:
        return kForger;
      case 8:
        return kNotificationsName;
      case 9:
        return kPortalName;
      case 10:
        return sni::kWatcherName;
      default:
        return ":1." + std::to_string(in.byte());
    }
  }

  std::string objectPath(Input& in) {
    const std::uint8_t i = in.byte() % 12;
    switch (i) {
      case 0:
        return "/";
      case 1:
        return names::kBusPath;
      case 2:
        return kNotificationsPath;
      case 3:
        return kPortalPath;
      case 4:
        return fake_.request;
      case 5:
        return fake_.session;
      case 6:
        return sni::kWatcherPath;
      case 7:
        return sni::kItemPath;
      case 8:
        return names::menu::kPath;
      case 9:
        return kLocalPath;
      case 10:
        return portalPath("request", fake_.client, "nvx" + std::to_string(in.byte()));
      default: {
        std::string path;
        for (int segments = in.byte() % 4; segments > 0; --segments) {
          path += '/';
          for (int n = 1 + in.byte() % 8; n > 0; --n) {
            static constexpr char kChars[] =
                "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
            path += kChars[in.byte() % (sizeof kChars - 1)];
          }
        }
        return path.empty() ? "/" : path;
      }
    }
  }

  std::string text(Input& in) {
    const std::uint8_t i = in.byte() % 24;
    switch (i) {
      case 0:
        return "";
      case 1:
        return kDefaultAction;
      case 2:
        return kShortcutId;
      case 3:
        return fake_.session;
      case 4:
        return fake_.request;
      case 5:
        return itemName_;
      case 6:
        return itemName_ + sni::kItemPath;
      case 7:
        return fake_.client + "@" + sni::kItemPath;
      case 8:
        return fake_.client;
      case 9:
        return kSessionHandle;
      case 10:
        return names::menu::kEventClicked;
      case 11:
        return "opened";
      case 12:
        return kBodyMarkup;
      case 13:
        return sni::kIconPixmap;
      case 14:
        return sni::kToolTip;
      case 15:
        return sni::kItemInterface;
      case 16:
        return names::menu::kInterface;
      case 17:
        return names::menu::kLabel;
      case 18:
        return names::menu::kChildrenDisplay;
      case 19:
      case 20:
        return busName(in);
      default:
        return in.text(64);
    }
  }

  std::string interface(Input& in) {
    const std::uint8_t i = in.byte() % 14;
    static const char* const kInterfaces[] = {names::kBusInterface,
                                              kNotificationsInterface,
                                              kRequestInterface,
                                              kGlobalShortcutsInterface,
                                              kSessionInterface,
                                              sni::kWatcherInterface,
                                              sni::kItemInterface,
                                              names::menu::kInterface,
                                              names::kPropertiesInterface,
                                              kPeerInterface,
                                              "org.freedesktop.DBus.Introspectable",
                                              kLocalInterface,
                                              ""};
    if (i < std::size(kInterfaces)) return kInterfaces[i];
    return "org.example.I" + std::to_string(in.byte());
  }

  std::string member(Input& in) {
    static const char* const kMembers[] = {
        names::kNameOwnerChanged,
        "NameAcquired",
        "NameLost",
        kActionInvoked,
        kNotificationClosed,
        "ActivationToken",
        kResponse,
        kActivated,
        "Deactivated",
        "ShortcutsChanged",
        "Closed",
        sni::kItemUnregistered,
        "StatusNotifierItemRegistered",
        "StatusNotifierHostRegistered",
        names::menu::kGetLayout,
        names::menu::kGetGroupProperties,
        names::menu::kGetProperty,
        names::menu::kEvent,
        names::menu::kEventGroup,
        names::menu::kAboutToShow,
        names::menu::kAboutToShowGroup,
        sni::kActivate,
        sni::kSecondaryActivate,
        sni::kContextMenu,
        sni::kScroll,
        "Get",
        "GetAll",
        "Set",
        "Introspect",
        "Ping",
        "GetMachineId",
        kPropertiesChanged,
        "Disconnected",
    };
    const std::uint8_t i = in.byte() % (std::size(kMembers) + 1);
    if (i < std::size(kMembers)) return kMembers[i];
    return "M" + std::to_string(in.byte());
  }

  // One complete type; containers only above the depth limit.
  std::string type(Input& in, int depth) {
    static constexpr char kBasic[] = "ybnqiuxtdsog";
    static constexpr char kAny[] = "ybnqiuxtdsogsouvvaaa(((";
    const char c =
        depth >= 6 ? kBasic[in.byte() % (sizeof kBasic - 1)] : kAny[in.byte() % (sizeof kAny - 1)];
    if (c == 'a') {
      if (in.byte() & 1) {
        return std::string("a{") + kBasic[in.byte() % (sizeof kBasic - 1)] + type(in, depth + 1) +
               "}";
      }
      return "a" + type(in, depth + 1);
    }
    if (c == '(') {
      std::string inner;
      for (int n = 1 + in.byte() % 3; n > 0; --n)
        inner += type(in, depth + 1);
      return "(" + inner + ")";
    }
    return std::string(1, c);
  }

  // Appends a value of the complete type `t`; `shown` gets a basic value as text.
  int value(sd_bus_message* m, std::string_view t, Input& in, int depth, std::string* shown) {
    const char c = t[0];
    switch (c) {
      case 'a': {
        const std::string element(t.substr(1));
        int r = sd_bus_message_open_container(m, 'a', element.c_str());
        for (int n = in.byte() % 4; r >= 0 && n > 0; --n) {
          if (element[0] == '{') {
            const std::string inner = element.substr(1, element.size() - 2);
            r = sd_bus_message_open_container(m, 'e', inner.c_str());
            if (r >= 0) r = value(m, inner.substr(0, 1), in, depth + 1, nullptr);
            if (r >= 0) r = value(m, inner.substr(1), in, depth + 1, nullptr);
            if (r >= 0) r = sd_bus_message_close_container(m);
          } else {
            r = value(m, element, in, depth + 1, nullptr);
          }
        }
        return r < 0 ? r : sd_bus_message_close_container(m);
      }
      case '(': {
        const std::string inner(t.substr(1, t.size() - 2));
        int r = sd_bus_message_open_container(m, 'r', inner.c_str());
        for (const std::string& member : split(inner)) {
          if (r >= 0) r = value(m, member, in, depth + 1, nullptr);
        }
        return r < 0 ? r : sd_bus_message_close_container(m);
      }
      case 'v': {
        const std::string inner = type(in, depth + 1);
        int r = sd_bus_message_open_container(m, 'v', inner.c_str());
        if (r >= 0) r = value(m, inner, in, depth + 1, nullptr);
        return r < 0 ? r : sd_bus_message_close_container(m);
      }
      case 's':
      case 'o':
      case 'g': {
        const std::string s = c == 's' ? text(in) : c == 'o' ? objectPath(in) : type(in, 4);
        if (shown) *shown = s;
        return sd_bus_message_append_basic(m, c, s.c_str());
      }
      case 'd': {
        const std::uint64_t bits = in.number();
        double d = 0;
        std::memcpy(&d, &bits, sizeof d);
        return sd_bus_message_append_basic(m, c, &d);
      }
      default: {  // integers: sd-bus reads the width of the type from the start of `number`
        const std::uint64_t number = in.number();
        std::uint8_t y = static_cast<std::uint8_t>(number);
        std::uint16_t q = static_cast<std::uint16_t>(number);
        std::uint32_t u = static_cast<std::uint32_t>(number);
        const void* p = c == 'y'               ? static_cast<const void*>(&y)
                        : c == 'n' || c == 'q' ? static_cast<const void*>(&q)
                        : c == 'x' || c == 't' ? static_cast<const void*>(&number)
                                               : static_cast<const void*>(&u);
        if (shown) {
          *shown = c == 'y'               ? std::to_string(y)
                   : c == 'n' || c == 'q' ? std::to_string(q)
                   : c == 'x' || c == 't' ? std::to_string(number)
                                          : std::to_string(u);
        }
        return sd_bus_message_append_basic(m, c, p);
      }
    }
  }

  // The complete types of a signature.
  static std::vector<std::string> split(std::string_view signature) {
    std::vector<std::string> types;
    const std::string copy(signature);
    const gchar* at = copy.c_str();
    const gchar* end = nullptr;
    while (*at && g_variant_type_string_scan(at, nullptr, &end)) {
      types.emplace_back(at, end);
      at = end;
    }
    return types;
  }

  std::string signature(Input& in) {
    static const char* const kSignatures[] = {
        "",         "s",       "sss", "ss",  "us",       "uu",    "u",    "ua{sv}",
        "osta{sv}", "os",      "o",   "i",   "ii",       "is",    "iias", "aias",
        "isvu",     "a(isvu)", "ai",  "ssv", "sa{sv}as", "a{sv}", "v",    "as",
    };
    const std::uint8_t i = in.byte() % (std::size(kSignatures) + 1);
    if (i < std::size(kSignatures)) return kSignatures[i];
    std::string made;
    for (int n = in.byte() % 4; n > 0; --n)
      made += type(in, 0);
    return made;
  }

  // A signal (or a method call) built from the input and sent; what it was, or nothing when
  // sd-bus would not make it.
  std::optional<Sent> message(Input& in, bool call) {
    Sent sent;
    sent.signal = !call;
    const bool noReply = call && (in.byte() & 1);
    sent.sender = busName(in);
    const std::string destination = busName(in);
    sent.path = objectPath(in);
    sent.interface = interface(in);
    sent.member = member(in);
    sent.signature = signature(in);
    sd_bus_message* m = nullptr;
    const int made =
        call ? sd_bus_message_new_method_call(
                   fake_.peer(), &m, destination.empty() ? nullptr : destination.c_str(),
                   sent.path.c_str(), sent.interface.empty() ? nullptr : sent.interface.c_str(),
                   sent.member.c_str())
             : sd_bus_message_new_signal(fake_.peer(), &m, sent.path.c_str(),
                                         sent.interface.c_str(), sent.member.c_str());
    if (made < 0) return std::nullopt;
    const MessagePtr holder(m);
    if ((!sent.sender.empty() && sd_bus_message_set_sender(m, sent.sender.c_str()) < 0) ||
        (!call && !destination.empty() &&
         sd_bus_message_set_destination(m, destination.c_str()) < 0) ||
        (noReply && sd_bus_message_set_expect_reply(m, 0) < 0)) {
      return std::nullopt;
    }
    for (const std::string& t : split(sent.signature)) {
      sent.args.emplace_back();
      if (value(m, t, in, 0, &sent.args.back()) < 0) return std::nullopt;
    }
    // Names the driver hands out are owners from now on, whatever the agent makes of them.
    if (!call && sent.sender == names::kBusName && sent.member == names::kNameOwnerChanged &&
        sent.signature.starts_with("sss")) {
      plausible_[sent.args[0]].insert(sent.args[2]);
      fake_.owners[sent.args[0]] = sent.args[2];
    }
    // sd-bus takes nothing of the local interface or path off the wire; no bus passes it on.
    const bool local = sent.path == kLocalPath || sent.interface == kLocalInterface;
    std::uint64_t cookie = 0;
    if (call && !noReply && !local) {
      const auto answered = [](sd_bus_message*, void* data, sd_bus_error*) {
        --*static_cast<int*>(data);
        return 0;
      };
      if (sd_bus_call_async(fake_.peer(), nullptr, m, answered, &awaiting_, 0) < 0 ||
          sd_bus_message_get_cookie(m, &cookie) < 0) {
        return std::nullopt;
      }
      ++awaiting_;
    } else {
      cookie = fake_.send(m);
      if (!cookie) return std::nullopt;
    }
    sent_[cookie] = sent;
    return sent;
  }

  FakeBus fake_;
  std::unique_ptr<Bus> bus_;
  MenuTree tree_;
  DesktopMenu root_{tree_};
  std::optional<MenuExporter> exporter_;
  std::optional<StatusNotifierItem> item_;
  std::optional<FreedesktopNotifications> notes_;
  std::optional<PortalHotKeys> keys_;
  std::unique_ptr<HotKeyRegistration> key_;
  std::string itemName_;
  std::unordered_map<std::uint64_t, Sent> sent_;            // by cookie, on this connection
  std::map<std::string, std::set<std::string>> plausible_;  // owners the driver named
  int awaiting_ = 0;                                        // calls to the agent not answered yet
  bool menuChanged_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Lives to the end of the process: libFuzzer exits without unwinding.
  static Agent* const agent = new Agent;
  Input in(data, size);
  agent->run(in);
  return 0;
}
