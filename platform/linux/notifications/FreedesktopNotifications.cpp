#include "FreedesktopNotifications.h"

#include <algorithm>
#include <memory>

#include "platform/linux/dbus/DesktopNames.h"
#include "platform/linux/images/Resources.h"

namespace nvx::platform {
namespace {

using namespace desktop;

// A server that has not answered by then counts as absent for this note.
constexpr int kCallTimeoutMs = 5'000;

// An authorization question on its way: the answer and who asked.
struct PendingAuthorization {
  FreedesktopNotifications* center;
  std::function<void(bool)> reply;
};

// GVariant strings must be UTF-8; the parent's text normally is, anything else is repaired.
std::string validUtf8(std::string_view text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
    return std::string(text);
  }
  const GCharPtr valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  return valid.get();
}

// A server with body-markup reads the body as markup; escaping <, > and & keeps it the
// plain text it is. Quotes stay as they are: some servers' markup parsers show entities for
// them literally.
std::string plainBody(std::string_view body, bool markup) {
  if (!markup) return std::string(body);
  std::string escaped;
  escaped.reserve(body.size());
  for (char c : body) {
    switch (c) {
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '&':
        escaped += "&amp;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

GVariantPtr finish(GObject* bus, GAsyncResult* result, GError** error) {
  return GVariantPtr(g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, error));
}

}  // namespace

FreedesktopNotifications::FreedesktopNotifications(GDBusConnection* bus, std::string appIcon)
    : bus_(G_DBUS_CONNECTION(g_object_ref(bus))),
      appIcon_(std::move(appIcon)),
      cancel_(g_cancellable_new()),
      // A new server numbers its notifications afresh: the old ids mean nothing to it.
      server_(bus, kNotificationsName, [this] { ids_.clear(); }),
      actions_(bus, kNotificationsName, kNotificationsInterface, kActionInvoked, kNotificationsPath,
               &FreedesktopNotifications::onSignal, this),
      closed_(bus, kNotificationsName, kNotificationsInterface, kNotificationClosed,
              kNotificationsPath, &FreedesktopNotifications::onSignal, this) {}

FreedesktopNotifications::~FreedesktopNotifications() {
  g_cancellable_cancel(cancel_.get());
}

std::string FreedesktopNotifications::defaultAppIcon() {
  for (const std::string& dir : agentResourceDirs()) {
    const std::string path = dir + "/" + kAppIconName + ".png";
    if (!g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR)) continue;
    const GCharPtr canonical(g_canonicalize_filename(path.c_str(), nullptr));
    const GCharPtr uri(g_filename_to_uri(canonical.get(), nullptr, nullptr));
    if (uri) return uri.get();
  }
  return kAppIconName;
}

void FreedesktopNotifications::requestAuthorization(unsigned,
                                                    std::function<void(bool granted)> reply) {
  g_dbus_connection_call(
      bus_.get(), kNotificationsName, kNotificationsPath, kNotificationsInterface, kGetCapabilities,
      nullptr, G_VARIANT_TYPE("(as)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, cancel_.get(),
      &FreedesktopNotifications::onCapabilities, new PendingAuthorization{this, std::move(reply)});
}

void FreedesktopNotifications::onCapabilities(GObject* bus, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<PendingAuthorization> pending(static_cast<PendingAuthorization*>(data));
  GError* raw = nullptr;
  const GVariantPtr reply = finish(bus, result, &raw);
  const GErrorPtr error(raw);
  if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;
  if (reply) {
    const GVariantPtr caps(g_variant_get_child_value(reply.get(), 0));
    gsize count = 0;
    const std::unique_ptr<const gchar*, GFree<g_free>> names(
        g_variant_get_strv(caps.get(), &count));
    pending->center->bodyMarkup_ =
        std::any_of(names.get(), names.get() + count,
                    [](const gchar* n) { return g_strcmp0(n, kBodyMarkup) == 0; });
  }
  pending->reply(reply != nullptr);
}

void FreedesktopNotifications::add(NotificationRequest request) {
  const std::string title = validUtf8(request.title);
  const std::string body = plainBody(validUtf8(request.body), bodyMarkup_);
  const char* actions[] = {kDefaultAction, kDefaultActionLabel, nullptr};
  GVariantBuilder hints;
  g_variant_builder_init(&hints, G_VARIANT_TYPE_VARDICT);
  // sound-name with the sound theme's standard new-message sound, the hint's own example: the
  // desktop's sound theme decides what it sounds like, as the default sound is the system's
  // choice elsewhere. sound-file would tie the note to a file of ours; without any hint GNOME
  // Shell plays nothing at all.
  if (request.defaultSound) {
    g_variant_builder_add(&hints, "{sv}", kSoundNameHint, g_variant_new_string(kNewMessageSound));
  }
  GVariant* args = g_variant_new("(susss^asa{sv}i)", kAppName, 0u, appIcon_.c_str(), title.c_str(),
                                 body.c_str(), actions, &hints, kDefaultExpiry);
  // Sent as a message, so that the reply tells which server numbered the note.
  const GObjectPtr<GDBusMessage> call(g_dbus_message_new_method_call(
      kNotificationsName, kNotificationsPath, kNotificationsInterface, kNotify));
  g_dbus_message_set_body(call.get(), args);
  g_dbus_connection_send_message_with_reply(bus_.get(), call.get(), G_DBUS_SEND_MESSAGE_FLAGS_NONE,
                                            kCallTimeoutMs, nullptr, cancel_.get(),
                                            &FreedesktopNotifications::onNotified, this);
}

void FreedesktopNotifications::onNotified(GObject* bus, GAsyncResult* result, gpointer self) {
  const GObjectPtr<GDBusMessage> reply(
      g_dbus_connection_send_message_with_reply_finish(G_DBUS_CONNECTION(bus), result, nullptr));
  if (!reply) return;  // cancelled (the object is gone) or not sent: nothing to remember
  auto* center = static_cast<FreedesktopNotifications*>(self);
  GVariant* body = g_dbus_message_get_body(reply.get());
  // A server that has lost the name since (its reply came late) numbered the note for nobody:
  // the new owner's notes have numbers of their own.
  if (g_dbus_message_get_message_type(reply.get()) != G_DBUS_MESSAGE_TYPE_METHOD_RETURN || !body ||
      !g_variant_is_of_type(body, G_VARIANT_TYPE("(u)")) ||
      !center->server_.isOwner(g_dbus_message_get_sender(reply.get()))) {
    return;
  }
  guint32 id = 0;
  g_variant_get(body, "(u)", &id);
  center->remember(id);
}

void FreedesktopNotifications::remember(std::uint32_t id) {
  if (id == 0) return;
  if (ids_.size() >= kMaxRemembered) ids_.pop_front();
  ids_.push_back(id);
}

void FreedesktopNotifications::onSignal(GDBusConnection*, const gchar* sender, const gchar*,
                                        const gchar*, const gchar* signal, GVariant* parameters,
                                        gpointer data) {
  auto* self = static_cast<FreedesktopNotifications*>(data);
  // Anyone may send a signal straight to us; only the server's own count.
  if (!self->server_.isOwner(sender)) return;
  const bool action = g_strcmp0(signal, kActionInvoked) == 0;
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE(action ? "(us)" : "(uu)"))) return;
  guint32 id = 0;
  const gchar* key = kDefaultAction;
  g_variant_get_child(parameters, 0, "u", &id);
  if (action) g_variant_get_child(parameters, 1, "&s", &key);
  // "default" is the one action our notes offer: any other key is no click on them.
  if (g_strcmp0(key, kDefaultAction) != 0) return;
  const auto found = std::find(self->ids_.begin(), self->ids_.end(), id);
  if (found == self->ids_.end()) return;  // another program's notification
  if (!action) {
    self->ids_.erase(found);
  } else if (self->delegate_) {
    self->delegate_->didReceiveNotificationResponse([] {});
  }
}

}  // namespace nvx::platform
