#pragma once

#include <systemd/sd-bus.h>

#include <functional>
#include <string>

#include "Bus.h"

namespace nvx::platform {

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
