#include "NameWatch.h"

#include <cstring>

#include "DesktopNames.h"

namespace nvx::platform {

NameWatch::NameWatch(sd_bus* bus, const char* name, std::function<void()> onChange)
    : name_(name), onChange_(std::move(onChange)) {
  // Matched first, asked second: a change between the two is not missed, and an answer that
  // comes after a change is stale.
  // The bus sends only the changes of this name (arg0).
  const std::string rule = std::string("type='signal',sender='") + dbus::kBusName + "',path='" +
                           dbus::kBusPath + "',interface='" + dbus::kBusInterface + "',member='" +
                           dbus::kNameOwnerChanged + "',arg0='" + name_ + "'";
  match_ = addMatch(bus, rule, onOwnerChanged, this);
  sd_bus_call_method_async(bus, OutPtr(query_), dbus::kBusName, dbus::kBusPath, dbus::kBusInterface,
                           dbus::kGetNameOwner, onOwner, this, "s", name);
}

int NameWatch::onOwnerChanged(sd_bus_message* message, void* self, sd_bus_error*) {
  auto* watch = static_cast<NameWatch*>(self);
  // The match's sender is no proof: any peer may send the same signal straight to us, and
  // only the bus driver's own counts.
  const char* sender = sd_bus_message_get_sender(message);
  if (!sender || std::strcmp(sender, dbus::kBusName) != 0) return 0;
  const char* name = nullptr;
  const char* before = nullptr;
  const char* after = nullptr;
  if (sd_bus_message_read(message, "sss", &name, &before, &after) < 0) return 0;
  if (watch->name_ != name) return 0;
  watch->changed_ = true;
  watch->setOwner(after);
  return 0;
}

int NameWatch::onOwner(sd_bus_message* reply, void* self, sd_bus_error*) {
  auto* watch = static_cast<NameWatch*>(self);
  // Released later with the watch: the slot must outlive its own callback.
  if (watch->changed_) return 0;
  const char* owner = nullptr;
  if (sd_bus_message_is_method_error(reply, nullptr) ||
      sd_bus_message_read(reply, "s", &owner) < 0) {
    return 0;  // no owner yet: NameOwnerChanged will say when there is one
  }
  watch->setOwner(owner);
  return 0;
}

void NameWatch::setOwner(const char* owner) {
  if (owner_ == owner) return;
  owner_ = owner;
  if (onChange_) onChange_();
}

}  // namespace nvx::platform
