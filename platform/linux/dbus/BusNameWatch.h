#pragma once

#include <gio/gio.h>

#include <functional>
#include <string>

namespace nvx::platform {

// Follows which connection owns a well-known bus name, so that signals claiming to come from
// a service can be told from ones sent by any other peer. Main thread only.
class BusNameWatch {
 public:
  // Starts watching `name` on `bus`; `onChange` runs after each change of owner.
  BusNameWatch(GDBusConnection* bus, const char* name, std::function<void()> onChange = {});
  ~BusNameWatch();
  BusNameWatch(const BusNameWatch&) = delete;
  BusNameWatch& operator=(const BusNameWatch&) = delete;

  // The unique name of the current owner; empty while there is none or it is not known yet.
  const std::string& owner() const;

  // Whether `sender` (a message's sender) is the current owner.
  bool isOwner(const char* sender) const;

 private:
  struct State;
  State* state_;  // shared with GLib, which frees it once the watch is gone
  guint watch_;
};

}  // namespace nvx::platform
