#include "PrivateBus.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace nvx::test {

PrivateBus::PrivateBus(const std::string& limits) {
  const GCharPtr dir(g_dir_make_tmp("nvx-bus-XXXXXX", nullptr));
  if (!dir) return;
  dir_ = dir.get();
  // Peers may run as other users (polkitd, nobody): they need to reach the socket.
  chmod(dir_.c_str(), 0755);
  const std::string socket = dir_ + "/bus_socket";
  address_ = "unix:path=" + socket;
  std::ofstream(dir_ + "/bus.conf") << R"(<busconfig>
  <listen>)" << address_ << R"(</listen>
  <auth>EXTERNAL</auth>
)" << limits << R"(
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)";
  daemon_ = std::make_unique<ChildProcess>(ChildProcess::Options{
      .argv = {"dbus-daemon", "--nofork", "--config-file=" + dir_ + "/bus.conf"},
      .capture = false});
  spinUntil([&] {
    connection_ = connect();
    return connection_ != nullptr || !daemon_->running();
  });
}

PrivateBus::~PrivateBus() {
  connection_.reset();
  daemon_.reset();
  std::error_code ignored;  // also for an empty dir_, when no folder was made
  std::filesystem::remove_all(dir_, ignored);
}

GObjectPtr<GDBusConnection> PrivateBus::connect() const {
  return GObjectPtr<GDBusConnection>(g_dbus_connection_new_for_address_sync(
      address_.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, nullptr));
}

Env PrivateBus::env() const {
  return {{"DBUS_SYSTEM_BUS_ADDRESS", address_}, {"DBUS_SESSION_BUS_ADDRESS", address_}};
}

std::unique_ptr<ChildProcess> PrivateBus::startPeer(const std::vector<std::string>& argv,
                                                    const std::string& name) const {
  if (!connection_) return nullptr;
  auto peer = std::make_unique<ChildProcess>(
      ChildProcess::Options{.argv = argv, .env = env(), .capture = false});
  // GetNameOwner fails while nobody owns the name.
  const bool owned = spinUntil([&] {
    return call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                "GetNameOwner", g_variant_new("(s)", name.c_str())) != nullptr ||
           !peer->running();
  });
  return owned && peer->running() ? std::move(peer) : nullptr;
}

GVariantPtr PrivateBus::call(const char* name, const char* path, const char* interface,
                             const char* method, GVariant* args, const char* replyType) const {
  if (!connection_) {
    if (args) g_variant_unref(g_variant_ref_sink(args));
    return nullptr;
  }
  return GVariantPtr(g_dbus_connection_call_sync(connection_.get(), name, path, interface, method,
                                                 args,
                                                 replyType ? G_VARIANT_TYPE(replyType) : nullptr,
                                                 G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr));
}

}  // namespace nvx::test
