#include "PortalHotKeys.h"

#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/linux/dbus/Bus.h"
#include "platform/linux/dbus/DesktopNames.h"
#include "platform/linux/dbus/NameWatch.h"

namespace nvx::platform {
namespace {

using namespace desktop;

// The interface's ANSI key codes and modifier bits in the trigger format, modifiers in the
// order they are written.
struct TriggerWord {
  std::uint32_t value;
  const char* word;
};
constexpr TriggerWord kTriggerKeys[] = {{37, kTriggerKeyL}};
constexpr TriggerWord kTriggerModifiers[] = {{0x1000, kTriggerControl},
                                             {0x0800, kTriggerAlt},
                                             {0x0200, kTriggerShift},
                                             {0x0100, kTriggerLogo}};

// "CTRL+ALT+l" for the key and modifiers; empty when a table lacks one of them.
std::string triggerFor(std::uint32_t keyCode, std::uint32_t modifiers) {
  const auto key = std::find_if(std::begin(kTriggerKeys), std::end(kTriggerKeys),
                                [&](const TriggerWord& k) { return k.value == keyCode; });
  if (key == std::end(kTriggerKeys)) return {};
  std::string trigger;
  for (const TriggerWord& modifier : kTriggerModifiers) {
    if ((modifiers & modifier.value) == 0) continue;
    trigger += modifier.word;
    trigger += kTriggerJoin;
    modifiers &= ~modifier.value;
  }
  return modifiers == 0 ? trigger + key->word : std::string();
}

// Tokens name request and session objects; unique within the process.
std::string nextToken() {
  static unsigned next = 0;
  return "nvx" + std::to_string(++next);
}

// The object path the portal gives the request of `token` from `bus`: the caller's unique
// name without its colon, dots as underscores.
std::string requestPath(sd_bus* bus, const std::string& token) {
  const char* unique = nullptr;
  std::string sender = sd_bus_get_unique_name(bus, &unique) >= 0 && unique ? unique : "";
  if (!sender.empty() && sender.front() == ':') sender.erase(0, 1);
  std::replace(sender.begin(), sender.end(), '.', '_');
  return kRequestPathPrefix + sender + "/" + token;
}

// Reads the shortcuts (a(sa{sv})) that `message` holds next, whole; whether one is `id`.
int readShortcuts(sd_bus_message* message, const std::string& id, bool& holds) {
  int r = sd_bus_message_enter_container(message, 'a', "(sa{sv})");
  if (r <= 0) return r < 0 ? r : -EINVAL;
  while ((r = sd_bus_message_enter_container(message, 'r', "sa{sv}")) > 0) {
    const char* shortcut = nullptr;
    r = sd_bus_message_read(message, "s", &shortcut);
    if (r < 0) return r;
    holds = holds || id == shortcut;
    r = sd_bus_message_skip(message, "a{sv}");
    if (r < 0) return r;
    r = sd_bus_message_exit_container(message);
    if (r < 0) return r;
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(message);
}

// What a CreateSession's Response says: the session's object path (null when missing), and
// whether the session holds the shortcut `id` already. Its results come in any order.
struct Created {
  const char* handle = nullptr;
  bool holdsShortcut = false;
};
Created readCreated(sd_bus_message* message, const std::string& id) {
  Created created;
  if (sd_bus_message_enter_container(message, 'a', "{sv}") <= 0) return {};
  while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
    const char* name = nullptr;
    const char* type = nullptr;
    if (sd_bus_message_read(message, "s", &name) < 0 ||
        sd_bus_message_peek_type(message, nullptr, &type) < 0) {
      return {};
    }
    int r = 0;
    // The handle is typed as a string for historical reasons; an object path is taken too.
    if (std::strcmp(name, kSessionHandle) == 0 &&
        (std::strcmp(type, "s") == 0 || std::strcmp(type, "o") == 0)) {
      r = sd_bus_message_read(message, "v", type, &created.handle);
    } else if (std::strcmp(name, kShortcuts) == 0 && std::strcmp(type, "a(sa{sv})") == 0) {
      r = sd_bus_message_enter_container(message, 'v', type);
      if (r > 0) r = readShortcuts(message, id, created.holdsShortcut);
      if (r < 0) return {};
      r = sd_bus_message_exit_container(message);
    } else {
      r = sd_bus_message_skip(message, "v");
    }
    if (r < 0 || sd_bus_message_exit_container(message) < 0) return {};
  }
  return created;
}

// Every Response of the portal's requests: the path is checked on arrival.
std::string responseRule() {
  const std::string_view requests(kRequestPathPrefix);
  return std::string("type='signal',sender='") + kPortalName + "',interface='" + kRequestInterface +
         "',member='" + kResponse + "',path_namespace='" +
         std::string(requests.substr(0, requests.size() - 1)) + "'";
}

MessagePtr newCall(sd_bus* bus, const char* path, const char* interface, const char* method) {
  MessagePtr call;
  sd_bus_message_new_method_call(bus, OutPtr(call), kPortalName, path, interface, method);
  return call;
}

}  // namespace

// One portal session holding one shortcut. The handshake:
// 1. CreateSession, offering the shortcut already; its Request's Response carries the session
//    handle, and the shortcuts the session holds where the portal takes them there (Plasma's
//    registers shortcuts only from CreateSession, and for BindShortcuts opens its settings).
// 2. Unless the session holds it: BindShortcuts with the preferred trigger; its Response needs
//    nothing more from us.
// 3. Each Activated for our session and shortcut is one press.
// A portal that restarts knows no session of ours, nor does one on a new connection: the
// handshake starts again, also when the portal went away before it was done.
// Responses are matched before each call, so that a quick answer is not missed, at the request
// path known from the token (once the bus has named us, which it has before any answer comes)
// or at the path the call returns when an older portal picks another one.
class PortalHotKeys::Session final : public HotKeyRegistration, public Bus::Client {
 public:
  Session(PortalHotKeys& owner, std::uint32_t keyCode, std::uint32_t modifiers, HotKeyId id,
          std::string shortcutId, std::string trigger)
      : owner_(owner),
        keyCode_(keyCode),
        modifiers_(modifiers),
        id_(id),
        shortcutId_(std::move(shortcutId)),
        trigger_(std::move(trigger)) {
    watchPortal();
    start();
    owner_.bus_.addClient(*this);
  }

  ~Session() override {
    owner_.bus_.removeClient(*this);
    if (session_.empty()) return;
    sd_bus* bus = owner_.bus_.get();
    const MessagePtr close = newCall(bus, session_.c_str(), kSessionInterface, kClose);
    if (!close || sd_bus_message_set_expect_reply(close.get(), 0) < 0) return;
    sd_bus_send(bus, close.get(), nullptr);
  }

  void reconnected() override {
    session_.clear();
    watchPortal();
    if (!fallback_) start();
  }

 private:
  void watchPortal() {
    portal_.emplace(owner_.bus_.get(), kPortalName, [this] { portalChanged(); });
  }

  // Creates a session with fresh tokens; replies to earlier calls are ignored.
  void start() {
    call_.reset();
    response_.reset();
    session_.clear();
    portalOwner_ = portal_->owner();
    // Matched before anything is asked: a portal may bind the shortcut as it creates the session.
    activated_ = matchSignal(owner_.bus_.get(), kPortalName, kPortalPath, kGlobalShortcutsInterface,
                             kActivated, &Session::onActivated, this);
    const MessagePtr call =
        newCall(owner_.bus_.get(), kPortalPath, kGlobalShortcutsInterface, kCreateSession);
    const std::string token = nextToken();
    sd_bus_message* m = call.get();
    if (!m || sd_bus_message_open_container(m, 'a', "{sv}") < 0 ||
        sd_bus_message_append(m, "{sv}{sv}", kHandleToken, "s", token.c_str(), kSessionHandleToken,
                              "s", kSessionToken) < 0 ||
        sd_bus_message_open_container(m, 'e', "sv") < 0 ||
        sd_bus_message_append(m, "s", kShortcuts) < 0 ||
        sd_bus_message_open_container(m, 'v', "a(sa{sv})") < 0 || appendShortcut(m) < 0 ||
        sd_bus_message_close_container(m) < 0 || sd_bus_message_close_container(m) < 0 ||
        sd_bus_message_close_container(m) < 0) {
      return;
    }
    request(call.get(), token);
  }

  // Starts again when another portal took the name from the one we talked to, or came after
  // one that left or refused to answer; not while the key is with the fallback.
  void portalChanged() {
    const std::string& now = portal_->owner();
    if (now.empty() || now == portalOwner_ || fallback_) return;
    const bool underWay = call_ || response_ || !session_.empty();
    if (portalOwner_.empty() && underWay) {
      portalOwner_ = now;  // the first answer names the portal the handshake is with
      return;
    }
    start();
  }

  // Sends `call`, whose options carry `token`, and awaits its Response.
  void request(sd_bus_message* call, const std::string& token) {
    token_ = token;
    returned_.clear();
    if (!response_)
      response_ = addMatch(owner_.bus_.get(), responseRule(), &Session::onResponse, this);
    sd_bus_call_async(owner_.bus_.get(), OutPtr(call_), call, &Session::onRequested, this, 0);
  }

  static int onRequested(sd_bus_message* reply, void* data, sd_bus_error*) {
    auto* self = static_cast<Session*>(data);
    self->call_.reset();  // sd-bus holds the slot until the callback returns
    // A portal that went away or hung before it answered is still a portal: the next owner of
    // its name is asked again.
    if (sd_bus_message_is_method_error(reply, SD_BUS_ERROR_NO_REPLY)) {
      self->response_.reset();
      self->portalOwner_.clear();
      return 0;
    }
    const char* path = nullptr;
    if (sd_bus_message_is_method_error(reply, nullptr) ||
        !sd_bus_message_has_signature(reply, "o") ||
        sd_bus_message_read(reply, "o", &path) < 0) {  // no portal, or one without global shortcuts
      self->response_.reset();
      self->activated_.reset();
      self->fallback_ = self->owner_.fallBack(self->keyCode_, self->modifiers_, self->id_);
      return 0;
    }
    self->returned_ = path;
    return 0;
  }

  static int onResponse(sd_bus_message* signal, void* data, sd_bus_error*) {
    auto* self = static_cast<Session*>(data);
    const char* sender = sd_bus_message_get_sender(signal);
    const char* path = sd_bus_message_get_path(signal);
    std::uint32_t response = 0;
    if (!self->portal_->isOwner(sender) || !path ||
        path != (self->returned_.empty() ? requestPath(self->owner_.bus_.get(), self->token_)
                                         : self->returned_) ||
        !sd_bus_message_has_signature(signal, "ua{sv}") ||
        sd_bus_message_read(signal, "u", &response) < 0) {
      return 0;
    }
    self->response_.reset();
    if (response != kResponseSuccess || !self->session_.empty()) return 0;
    const Created created = readCreated(signal, self->shortcutId_);
    if (!created.handle || !g_variant_is_object_path(created.handle)) return 0;
    self->session_ = created.handle;
    self->portalOwner_ = sender;
    if (!created.holdsShortcut) self->bind();
    return 0;
  }

  // Our one shortcut with its description and preferred trigger, as an a(sa{sv}).
  int appendShortcut(sd_bus_message* call) const {
    return sd_bus_message_append(call, "a(sa{sv})", 1, shortcutId_.c_str(), 2, kDescription, "s",
                                 kShortcutDescription, kPreferredTrigger, "s", trigger_.c_str());
  }

  void bind() {
    const MessagePtr call =
        newCall(owner_.bus_.get(), kPortalPath, kGlobalShortcutsInterface, kBindShortcuts);
    const std::string token = nextToken();
    if (!call || sd_bus_message_append(call.get(), "o", session_.c_str()) < 0 ||
        appendShortcut(call.get()) < 0 ||
        sd_bus_message_append(call.get(), "sa{sv}", "", 1, kHandleToken, "s", token.c_str()) < 0) {
      return;
    }
    request(call.get(), token);
  }

  static int onActivated(sd_bus_message* signal, void* data, sd_bus_error*) {
    auto* self = static_cast<Session*>(data);
    const char* session = nullptr;
    const char* shortcut = nullptr;
    if (!self->portal_->isOwner(sd_bus_message_get_sender(signal)) ||
        !sd_bus_message_has_signature(signal, "osta{sv}") ||
        sd_bus_message_read(signal, "os", &session, &shortcut) < 0) {
      return 0;
    }
    if (self->session_ == session && self->shortcutId_ == shortcut) self->owner_.pressed();
    return 0;
  }

  PortalHotKeys& owner_;
  std::uint32_t keyCode_;
  std::uint32_t modifiers_;
  HotKeyId id_;
  std::string shortcutId_;
  std::string trigger_;
  std::string session_;              // the session's object path, once created
  std::string token_;                // of the request whose Response is awaited
  std::string returned_;             // the request path its call returned; empty before the reply
  std::string portalOwner_;          // the portal the handshake is with; empty while not known
  std::optional<NameWatch> portal_;  // signals count only from its owner
  SlotPtr call_;                     // the call of the handshake under way
  SlotPtr response_;
  SlotPtr activated_;
  std::unique_ptr<HotKeyRegistration> fallback_;  // the key held by the fallback instead
};

PortalHotKeys::PortalHotKeys(Bus& bus, Fallback fallback)
    : bus_(bus), makeFallback_(std::move(fallback)) {}

void PortalHotKeys::installHandler(std::function<void()> handler) {
  handlers_.push_back(std::move(handler));
}

std::unique_ptr<HotKeyRegistration> PortalHotKeys::registerHotKey(std::uint32_t keyCode,
                                                                  std::uint32_t modifiers,
                                                                  HotKeyId id) {
  std::string trigger = triggerFor(keyCode, modifiers);
  if (trigger.empty()) return nullptr;
  // The four-character signature and the number, as in "NVXC-1".
  std::string shortcutId;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((id.signature >> shift) & 0xFF);
    shortcutId += g_ascii_isalnum(c) ? c : '_';
  }
  shortcutId += "-" + std::to_string(id.id);
  return std::make_unique<Session>(*this, keyCode, modifiers, id, std::move(shortcutId),
                                   std::move(trigger));
}

std::unique_ptr<HotKeyRegistration> PortalHotKeys::fallBack(std::uint32_t keyCode,
                                                            std::uint32_t modifiers, HotKeyId id) {
  if (makeFallback_) {
    fallback_ = std::exchange(makeFallback_, nullptr)();
    if (fallback_) fallback_->installHandler([this] { pressed(); });
  }
  return fallback_ ? fallback_->registerHotKey(keyCode, modifiers, id) : nullptr;
}

void PortalHotKeys::pressed() {
  for (auto& handler : handlers_)
    handler();
}

}  // namespace nvx::platform
