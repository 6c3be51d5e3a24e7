#include "PolkitUnlockContext.h"

#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cstring>
#include <optional>
#include <string_view>

#include "UnlockDbus.h"

namespace nvx {
namespace {

using namespace unlockdbus;

// Queries that show no dialog; a service that hangs this long counts as absent.
constexpr int kQueryTimeoutMs = 10'000;

// One call; null on any failure, a reply of another type than `replyType` included.
// Takes ownership of a floating `args`.
GVariantPtr call(GDBusConnection* bus, const char* name, const char* path, const char* interface,
                 const char* method, GVariant* args, const char* replyType,
                 int timeoutMs = kQueryTimeoutMs) {
  return GVariantPtr(g_dbus_connection_call_sync(bus, name, path, interface, method, args,
                                                 G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE,
                                                 timeoutMs, nullptr, nullptr));
}

GVariantPtr child(GVariant* container, gsize index) {
  return GVariantPtr(g_variant_get_child_value(container, index));
}

// Field 22 of /proc/self/stat, which polkit compares to tell this process from a later one
// with the same pid.
std::optional<guint64> processStartTime() {
  gchar* raw = nullptr;
  if (!g_file_get_contents("/proc/self/stat", &raw, nullptr, nullptr)) return std::nullopt;
  const GCharPtr text(raw);
  // The command name (field 2) is in parentheses and may hold spaces and parentheses itself.
  const char* rest = std::strrchr(text.get(), ')');
  if (!rest) return std::nullopt;
  std::string_view fields(rest + 1);
  for (int field = 3; field <= 22; ++field) {
    fields.remove_prefix(std::min(fields.find_first_not_of(' '), fields.size()));
    const std::string_view value = fields.substr(0, fields.find(' '));
    if (field == 22) {
      guint64 startTime = 0;
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), startTime);
      if (ec != std::errc() || end != value.data() + value.size()) return std::nullopt;
      return startTime;
    }
    fields.remove_prefix(value.size());
  }
  return std::nullopt;
}

// CheckAuthorization for this process with user interaction; waits as long as the dialog
// stays open. If the process dies first, polkitd sees its bus name vanish and cancels the
// authentication it started, which closes the dialog.
bool checkAuthorization(GDBusConnection* bus) {
  const std::optional<guint64> startTime = processStartTime();
  if (!bus || !startTime) return false;

  GVariantBuilder subject;
  g_variant_builder_init(&subject, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&subject, "{sv}", "pid", g_variant_new_uint32(getpid()));
  g_variant_builder_add(&subject, "{sv}", "start-time", g_variant_new_uint64(*startTime));
  g_variant_builder_add(&subject, "{sv}", "uid", g_variant_new_int32(getuid()));
  // No details: polkit refuses them from callers other than root and the action's owners.
  GVariant* noDetails = g_variant_new_array(G_VARIANT_TYPE("{ss}"), nullptr, 0);
  GVariant* args = g_variant_new("((sa{sv})s@a{ss}us)", kUnixProcess, &subject, kActionId,
                                 noDetails, kAllowUserInteraction, kCancellationId);

  const GVariantPtr reply = call(bus, kPolkitName, kPolkitPath, kPolkitInterface,
                                 kCheckAuthorization, args, "((bba{ss}))", G_MAXINT);
  if (!reply) return false;
  gboolean authorized = FALSE;
  gboolean challenge = FALSE;
  g_variant_get(reply.get(), "((bb@a{ss}))", &authorized, &challenge, nullptr);
  // A dismissed dialog comes back as (false, false, {polkit.dismissed: true}); "authorized but
  // still a challenge" makes no sense and counts as a refusal.
  return authorized && !challenge;
}

// Silences GLib: nothing may reach standard error, and standard output carries one word.
void silenceGlib() {
  g_log_set_writer_func(
      [](GLogLevelFlags, const GLogField*, gsize, gpointer) { return G_LOG_WRITER_HANDLED; },
      nullptr, nullptr);
  g_set_printerr_handler([](const gchar*) {});
  g_set_print_handler([](const gchar*) {});
}

}  // namespace

PolkitUnlockContext::PolkitUnlockContext() {
  silenceGlib();
  const GCharPtr address(g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr));
  if (!address) return;
  // A private connection, owned here alone; the shared one is set to end the process when the
  // bus goes away, where a lost bus must read as "fail" like any other error.
  bus_.reset(g_dbus_connection_new_for_address_sync(
      address.get(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, nullptr));
}

PolkitUnlockContext::~PolkitUnlockContext() {
  if (check_.joinable()) check_.join();
}

bool PolkitUnlockContext::canEvaluatePolicy() {
  if (!bus_) return false;
  const GVariantPtr reply =
      call(bus_.get(), kPolkitName, kPolkitPath, kPolkitInterface, kEnumerateActions,
           g_variant_new("(s)", ""), "(a(ssssssuuua{ss}))");
  if (!reply) return false;
  const GVariantPtr actions = child(reply.get(), 0);
  for (gsize i = 0, n = g_variant_n_children(actions.get()); i < n; ++i) {
    const GVariantPtr id = child(child(actions.get(), i).get(), 0);
    if (std::strcmp(g_variant_get_string(id.get(), nullptr), kActionId) == 0) return true;
  }
  return false;
}

long PolkitUnlockContext::biometryType() {
  if (!bus_) return 0;
  const GVariantPtr device = call(bus_.get(), kFprintName, kFprintManagerPath,
                                  kFprintManagerInterface, kGetDefaultDevice, nullptr, "(o)");
  if (!device) return 0;
  const GVariantPtr path = child(device.get(), 0);
  // An empty user name means the caller's own; fprintd answers NoEnrolledPrints for none.
  const GVariantPtr fingers =
      call(bus_.get(), kFprintName, g_variant_get_string(path.get(), nullptr),
           kFprintDeviceInterface, kListEnrolledFingers, g_variant_new("(s)", ""), "(as)");
  if (!fingers) return 0;
  return g_variant_n_children(child(fingers.get(), 0).get()) > 0 ? kBiometryTouchId : 0;
}

void PolkitUnlockContext::evaluatePolicy(const std::string& /*reason*/, Reply reply) {
  assert(!check_.joinable());
  // The reply arrives on this thread while the main thread waits without an event loop.
  check_ =
      std::thread([bus = bus_.get(), reply = std::move(reply)] { reply(checkAuthorization(bus)); });
}

}  // namespace nvx
