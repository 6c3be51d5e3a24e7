#include "PortalHotKeys.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/linux/dbus/BusNameWatch.h"
#include "platform/linux/dbus/DesktopNames.h"
#include "platform/linux/dbus/SignalSubscription.h"

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
std::string requestPath(GDBusConnection* bus, const std::string& token) {
  const gchar* unique = g_dbus_connection_get_unique_name(bus);
  std::string sender = unique ? unique : "";
  if (!sender.empty() && sender.front() == ':') sender.erase(0, 1);
  std::replace(sender.begin(), sender.end(), '.', '_');
  return kRequestPathPrefix + sender + "/" + token;
}

}  // namespace

// One portal session holding one shortcut. The handshake:
// 1. CreateSession; its Request's Response carries the session handle.
// 2. BindShortcuts with the preferred trigger; its Response needs nothing more from us.
// 3. Each Activated for our session and shortcut is one press.
// A portal that restarts knows no session of ours: the handshake starts again with the new one.
// Each Response is awaited at the request path known before the call, so that a quick answer
// is not missed, and at the path the call returns when an older portal picks another one.
class PortalHotKeys::Session final : public HotKeyRegistration {
 public:
  Session(PortalHotKeys& owner, std::uint32_t keyCode, std::uint32_t modifiers, HotKeyId id,
          std::string shortcutId, std::string trigger)
      : owner_(owner),
        keyCode_(keyCode),
        modifiers_(modifiers),
        id_(id),
        shortcutId_(std::move(shortcutId)),
        trigger_(std::move(trigger)),
        portal_(owner.bus_.get(), kPortalName, [this] { portalChanged(); }) {
    start();
  }

  ~Session() override {
    g_cancellable_cancel(cancel_.get());
    if (session_.empty()) return;
    g_dbus_connection_call(owner_.bus_.get(), kPortalName, session_.c_str(), kSessionInterface,
                           kClose, nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr,
                           nullptr);
  }

 private:
  // Creates a session with fresh tokens; replies to earlier calls are ignored.
  void start() {
    g_cancellable_cancel(cancel_.get());
    cancel_.reset(g_cancellable_new());
    session_.clear();
    activated_.reset();
    portalOwner_ = portal_.owner();
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    const std::string token = nextToken();
    g_variant_builder_add(&options, "{sv}", kHandleToken, g_variant_new_string(token.c_str()));
    g_variant_builder_add(&options, "{sv}", kSessionHandleToken,
                          g_variant_new_string(nextToken().c_str()));
    request(kCreateSession, g_variant_new("(a{sv})", &options), token);
  }

  // Starts again when another portal took the name from the one we talked to; not while the
  // key is with the fallback.
  void portalChanged() {
    const std::string& now = portal_.owner();
    if (!now.empty() && !portalOwner_.empty() && now != portalOwner_ && !fallback_) start();
  }

  void await(const std::string& path) {
    awaited_ = path;
    response_ = SignalSubscription(owner_.bus_.get(), kPortalName, kRequestInterface, kResponse,
                                   path.c_str(), &Session::onResponse, this);
  }

  // Calls `method`, whose options carry `token`, and awaits its Response.
  void request(const char* method, GVariant* args, const std::string& token) {
    await(requestPath(owner_.bus_.get(), token));
    g_dbus_connection_call(owner_.bus_.get(), kPortalName, kPortalPath, kGlobalShortcutsInterface,
                           method, args, G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, -1,
                           cancel_.get(), &Session::onRequested, this);
  }

  static void onRequested(GObject* bus, GAsyncResult* result, gpointer data) {
    GError* raw = nullptr;
    const GVariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &raw));
    const GErrorPtr error(raw);
    if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;
    auto* self = static_cast<Session*>(data);
    if (!reply) {  // no portal, or one without global shortcuts
      self->response_.reset();
      self->fallback_ = self->owner_.fallBack(self->keyCode_, self->modifiers_, self->id_);
      return;
    }
    const gchar* path = nullptr;
    g_variant_get(reply.get(), "(&o)", &path);
    if (self->awaited_ != path) self->await(path);
  }

  static void onResponse(GDBusConnection*, const gchar* sender, const gchar*, const gchar*,
                         const gchar*, GVariant* parameters, gpointer data) {
    auto* self = static_cast<Session*>(data);
    if (!self->portal_.isOwner(sender) ||
        !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ua{sv})"))) {
      return;
    }
    guint32 response = 0;
    GVariant* rawResults = nullptr;
    g_variant_get(parameters, "(u@a{sv})", &response, &rawResults);
    const GVariantPtr results(rawResults);
    self->response_.reset();
    if (response != kResponseSuccess || !self->session_.empty()) return;
    // Typed as a string by the portal for historical reasons; an object path is taken too.
    const gchar* handle = nullptr;
    if (!g_variant_lookup(results.get(), kSessionHandle, "&s", &handle) &&
        !g_variant_lookup(results.get(), kSessionHandle, "&o", &handle)) {
      return;
    }
    if (!g_variant_is_object_path(handle)) return;
    self->session_ = handle;
    self->portalOwner_ = sender;
    self->bind();
  }

  void bind() {
    activated_ = SignalSubscription(owner_.bus_.get(), kPortalName, kGlobalShortcutsInterface,
                                    kActivated, kPortalPath, &Session::onActivated, this);
    GVariantBuilder shortcut;
    g_variant_builder_init(&shortcut, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&shortcut, "{sv}", kDescription,
                          g_variant_new_string(kShortcutDescription));
    g_variant_builder_add(&shortcut, "{sv}", kPreferredTrigger,
                          g_variant_new_string(trigger_.c_str()));
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    const std::string token = nextToken();
    g_variant_builder_add(&options, "{sv}", kHandleToken, g_variant_new_string(token.c_str()));
    GVariant* shortcuts[] = {g_variant_new("(sa{sv})", shortcutId_.c_str(), &shortcut)};
    GVariant* list = g_variant_new_array(G_VARIANT_TYPE("(sa{sv})"), shortcuts, 1);
    request(kBindShortcuts,
            g_variant_new("(o@a(sa{sv})sa{sv})", session_.c_str(), list, "", &options), token);
  }

  static void onActivated(GDBusConnection*, const gchar* sender, const gchar*, const gchar*,
                          const gchar*, GVariant* parameters, gpointer data) {
    auto* self = static_cast<Session*>(data);
    if (!self->portal_.isOwner(sender) ||
        !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(osta{sv})"))) {
      return;
    }
    const gchar* session = nullptr;
    const gchar* shortcut = nullptr;
    g_variant_get(parameters, "(&o&sta{sv})", &session, &shortcut, nullptr, nullptr);
    if (self->session_ == session && self->shortcutId_ == shortcut) self->owner_.pressed();
  }

  PortalHotKeys& owner_;
  std::uint32_t keyCode_;
  std::uint32_t modifiers_;
  HotKeyId id_;
  std::string shortcutId_;
  std::string trigger_;
  std::string session_;              // the session's object path, once created
  std::string awaited_;              // the request path whose Response is awaited
  std::string portalOwner_;          // the portal the handshake is with; empty while not known
  BusNameWatch portal_;              // signals count only from its owner
  GObjectPtr<GCancellable> cancel_;  // of the calls of the handshake under way
  SignalSubscription response_;
  SignalSubscription activated_;
  std::unique_ptr<HotKeyRegistration> fallback_;  // the key held by the fallback instead
};

PortalHotKeys::PortalHotKeys(GDBusConnection* bus, Fallback fallback)
    : bus_(G_DBUS_CONNECTION(g_object_ref(bus))), makeFallback_(std::move(fallback)) {}

PortalHotKeys::~PortalHotKeys() = default;

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
