#pragma once

#include <gio/gio.h>
#include <signal.h>

#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "platform/linux/glib/GPtr.h"

namespace nvx::test {

// Debian's interpreter, the one with python3-dbusmock (not whatever `python3` is first on PATH).
inline constexpr char kPython[] = "/usr/bin/python3";

// A dbus-daemon of its own on a socket in a fresh temporary folder, standing in for both the
// system and the session bus; it never touches the machine's buses. Stopped and removed on
// destruction.
class PrivateBus {
 public:
  // `limits`: <limit> elements of the daemon's configuration.
  explicit PrivateBus(const std::string& limits = "");
  ~PrivateBus();  // not copied: it owns the daemon

  // Null when the daemon did not come up.
  GDBusConnection* connection() const { return connection_.get(); }
  const std::string& dir() const { return dir_; }
  const std::string& address() const { return address_; }
  // A new connection of its own to this bus; null when none can be made.
  GObjectPtr<GDBusConnection> connect() const;
  // DBUS_SYSTEM_BUS_ADDRESS and DBUS_SESSION_BUS_ADDRESS for a child, both naming this bus.
  Env env() const;

  // Starts a peer on this bus and waits until it owns `name`; null when it does not.
  std::unique_ptr<ChildProcess> startPeer(const std::vector<std::string>& argv,
                                          const std::string& name) const;

  // Calls a method; null on any error. Takes ownership of a floating `args`.
  GVariantPtr call(const char* name, const char* path, const char* interface, const char* method,
                   GVariant* args, const char* replyType = nullptr) const;

  // Kills the daemon, as when the bus goes away.
  void kill() { daemon_.reset(); }
  // Sends the daemon a signal before it returns (GSubprocess's go later, from GLib's worker
  // thread): SIGSTOP freezes the bus, SIGCONT thaws it.
  void signal(int signal) {
    if (daemon_->pid() > 0) ::kill(daemon_->pid(), signal);  // not to our own process group
  }

 private:
  std::string dir_;
  std::string address_;
  std::unique_ptr<ChildProcess> daemon_;
  GObjectPtr<GDBusConnection> connection_;
};

}  // namespace nvx::test
