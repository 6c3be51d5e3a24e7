#pragma once

#include <glib.h>
#include <systemd/sd-bus.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace nvx::platform {

// Releases sd-bus's reference-counted handles.
struct SdBusFree {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
  void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};
using MessagePtr = std::unique_ptr<sd_bus_message, SdBusFree>;
// A match, an exported object or a pending call: unreferencing it removes it, and its callback
// never runs again.
using SlotPtr = std::unique_ptr<sd_bus_slot, SdBusFree>;

// A connection of the agent's own to a message bus, dispatched on GLib's default main context.
// Messages go out on the calling thread as they are sent: no worker thread, no copy. Main
// thread only.
class Bus {
 public:
  // A connection to the bus at `address`, registered with it (Hello); null when it cannot be
  // opened. Nothing is autolaunched, and a bus that goes away leaves the connection closed,
  // with the process running on.
  static std::unique_ptr<Bus> open(const std::string& address);
  ~Bus();  // sends what is queued, then closes
  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;

  sd_bus* get() const { return bus_; }
  // The connection's unique name on the bus ("" before the bus has given one).
  const char* uniqueName() const;

 private:
  explicit Bus(sd_bus* bus);
  struct Source;

  sd_bus* bus_;
  GSource* source_;
};

// Appends `text` to `message` as a D-Bus string. D-Bus strings are UTF-8 without NUL: anything
// else is replaced by U+FFFD, because a bad string would make the whole message fail.
int appendText(sd_bus_message* message, std::string_view text);

// Follows which connection owns a well-known bus name, so that signals claiming to come from
// a service can be told from ones sent by any other peer, and a service that restarts is seen.
// Main thread only.
class NameWatch {
 public:
  // Starts watching `name` on `bus`; `onChange` runs after each change of owner, the first
  // answer included when the name has an owner.
  NameWatch(sd_bus* bus, const char* name, std::function<void()> onChange = {});
  NameWatch(const NameWatch&) = delete;
  NameWatch& operator=(const NameWatch&) = delete;

  // The unique name of the current owner; empty while there is none or it is not known yet.
  const std::string& owner() const { return owner_; }

  // Whether `sender` (a message's sender) is the current owner.
  bool isOwner(const char* sender) const { return sender && !owner_.empty() && owner_ == sender; }

 private:
  static int onOwnerChanged(sd_bus_message* message, void* self, sd_bus_error*);
  static int onOwner(sd_bus_message* reply, void* self, sd_bus_error*);
  void setOwner(const char* owner);

  std::string name_;
  std::string owner_;
  bool changed_ = false;  // NameOwnerChanged came before the answer to GetNameOwner
  std::function<void()> onChange_;
  SlotPtr match_;
  SlotPtr query_;
};

}  // namespace nvx::platform
