#include "FreedesktopNotifications.h"

#include <glib.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/linux/dbus/AppendText.h"
#include "platform/linux/dbus/DesktopNames.h"
#include "platform/linux/glib/GPtr.h"
#include "platform/linux/images/Resources.h"

namespace nvx::platform {
namespace {

using namespace desktop;

// A server that has not answered by then counts as absent for this note.
constexpr std::uint64_t kCallTimeoutUs = 5'000'000;

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

MessagePtr newCall(sd_bus* bus, const char* method) {
  MessagePtr call;
  sd_bus_message_new_method_call(bus, OutPtr(call), kNotificationsName, kNotificationsPath,
                                 kNotificationsInterface, method);
  return call;
}

}  // namespace

FreedesktopNotifications::FreedesktopNotifications(Bus& bus, std::string appIcon)
    : bus_(bus), appIcon_(std::move(appIcon)) {
  watchServer();
  bus_.addClient(*this);
}

FreedesktopNotifications::~FreedesktopNotifications() {
  bus_.removeClient(*this);
}

void FreedesktopNotifications::watchServer() {
  sd_bus* bus = bus_.get();
  // A new server numbers its notifications afresh: the old ids mean nothing to it.
  server_.emplace(bus, kNotificationsName, [this] { ids_.clear(); });
  actions_ = matchSignal(bus, kNotificationsName, kNotificationsPath, kNotificationsInterface,
                         kActionInvoked, &onSignal, this);
  closed_ = matchSignal(bus, kNotificationsName, kNotificationsPath, kNotificationsInterface,
                        kNotificationClosed, &onSignal, this);
}

void FreedesktopNotifications::reconnected() {
  // Notes of the old connection are gone with it; an authorization still asked for is asked
  // again on the new one.
  std::list<Call> calls = std::move(calls_);
  calls_.clear();
  ids_.clear();
  watchServer();
  for (Call& call : calls) {
    if (call.authorized) requestAuthorization(0, std::move(call.authorized));
  }
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

bool FreedesktopNotifications::send(sd_bus_message* call, sd_bus_message_handler_t onReply,
                                    std::function<void(bool)> authorized) {
  SlotPtr slot;
  if (!call || sd_bus_call_async(bus_.get(), OutPtr(slot), call, onReply, this, kCallTimeoutUs) < 0)
    return false;
  calls_.push_back({std::move(slot), std::move(authorized)});
  return true;
}

FreedesktopNotifications::Call FreedesktopNotifications::finish(sd_bus_message* reply) {
  sd_bus_slot* slot = sd_bus_get_current_slot(sd_bus_message_get_bus(reply));
  const auto found = std::find_if(calls_.begin(), calls_.end(),
                                  [&](const Call& call) { return call.slot.get() == slot; });
  if (found == calls_.end()) return {};
  // sd-bus holds the slot until the callback returns.
  Call call = std::move(*found);
  calls_.erase(found);
  return call;
}

void FreedesktopNotifications::requestAuthorization(unsigned,
                                                    std::function<void(bool granted)> reply) {
  const MessagePtr call = newCall(bus_.get(), kGetCapabilities);
  if (!send(call.get(), &onCapabilities, reply)) reply(false);
}

int FreedesktopNotifications::onCapabilities(sd_bus_message* reply, void* self, sd_bus_error*) {
  auto* center = static_cast<FreedesktopNotifications*>(self);
  const Call call = center->finish(reply);
  bool answered =
      !sd_bus_message_is_method_error(reply, nullptr) && sd_bus_message_has_signature(reply, "as");
  if (answered) {
    char** names = nullptr;
    answered = sd_bus_message_read_strv(reply, &names) >= 0;
    center->bodyMarkup_ = false;
    for (char** name = names; name && *name; ++name) {
      if (std::strcmp(*name, kBodyMarkup) == 0) center->bodyMarkup_ = true;
    }
    g_strfreev(names);
  }
  if (call.authorized) call.authorized(answered);
  return 0;
}

void FreedesktopNotifications::add(NotificationRequest request) {
  const MessagePtr call = newCall(bus_.get(), kNotify);
  if (!call) return;
  sd_bus_message* m = call.get();
  // sound-name with the sound theme's standard new-message sound, the hint's own example: the
  // desktop's sound theme decides what it sounds like, as the default sound is the system's
  // choice elsewhere. sound-file would tie the note to a file of ours; without any hint GNOME
  // Shell plays nothing at all.
  const int hints = request.defaultSound ? 1 : 0;
  if (sd_bus_message_append(m, "sus", kAppName, 0u, appIcon_.c_str()) < 0 ||
      appendText(m, request.title) < 0 || appendText(m, plainBody(request.body, bodyMarkup_)) < 0 ||
      sd_bus_message_append(m, "as", 2, kDefaultAction, kDefaultActionLabel) < 0 ||
      sd_bus_message_append(m, "a{sv}", hints, kSoundNameHint, "s", kNewMessageSound) < 0 ||
      sd_bus_message_append(m, "i", kDefaultExpiry) < 0) {
    return;
  }
  send(m, &onNotified);
}

int FreedesktopNotifications::onNotified(sd_bus_message* reply, void* self, sd_bus_error*) {
  auto* center = static_cast<FreedesktopNotifications*>(self);
  center->finish(reply);
  // A server that has lost the name since (its reply came late) numbered the note for nobody:
  // the new owner's notes have numbers of their own.
  std::uint32_t id = 0;
  if (sd_bus_message_is_method_error(reply, nullptr) || !sd_bus_message_has_signature(reply, "u") ||
      !center->server_->isOwner(sd_bus_message_get_sender(reply)) ||
      sd_bus_message_read(reply, "u", &id) < 0) {
    return 0;
  }
  center->remember(id);
  return 0;
}

void FreedesktopNotifications::remember(std::uint32_t id) {
  if (id == 0) return;
  if (ids_.size() >= kMaxRemembered) ids_.pop_front();
  ids_.push_back(id);
}

int FreedesktopNotifications::onSignal(sd_bus_message* signal, void* data, sd_bus_error*) {
  auto* self = static_cast<FreedesktopNotifications*>(data);
  // Anyone may send a signal straight to us; only the server's own count.
  if (!self->server_->isOwner(sd_bus_message_get_sender(signal))) return 0;
  const bool action = std::strcmp(sd_bus_message_get_member(signal), kActionInvoked) == 0;
  std::uint32_t id = 0;
  const char* key = kDefaultAction;
  std::uint32_t reason = 0;
  if (!sd_bus_message_has_signature(signal, action ? "us" : "uu") ||
      (action ? sd_bus_message_read(signal, "us", &id, &key)
              : sd_bus_message_read(signal, "uu", &id, &reason)) < 0) {
    return 0;
  }
  // "default" is the one action our notes offer: any other key is no click on them.
  if (std::strcmp(key, kDefaultAction) != 0) return 0;
  const auto found = std::find(self->ids_.begin(), self->ids_.end(), id);
  if (found == self->ids_.end()) return 0;  // another program's notification
  if (!action) {
    self->ids_.erase(found);
  } else if (self->delegate_) {
    self->delegate_->didReceiveNotificationResponse([] {});
  }
  return 0;
}

}  // namespace nvx::platform
