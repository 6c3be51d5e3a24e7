#pragma once

#include <systemd/sd-bus.h>

#include <string>
#include <string_view>

#include "platform/AttributedString.h"
#include "platform/MenuItem.h"

namespace nvx::platform {

// The dbusmenu properties of an entry this backend publishes, one bit each.
enum PropertyBit : unsigned {
  kPropertyType = 1u << 0,
  kPropertyLabel = 1u << 1,
  kPropertyEnabled = 1u << 2,
  kPropertyIconName = 1u << 3,
  kPropertyToggleType = 1u << 4,
  kPropertyToggleState = 1u << 5,
  kPropertyChildrenDisplay = 1u << 6,
};
using PropertyMask = unsigned;
inline constexpr PropertyMask kAllProperties = (1u << 7) - 1;

// What one menu entry shows a tray host, in dbusmenu's terms. A value: the exporter keeps
// the last published copy of each entry to send only what changed.
struct EntryProperties {
  bool root = false;  // id 0, which only holds the top-level entries
  bool separator = false;
  std::string label = {};  // mnemonics escaped: a literal "_" is "__"
  bool enabled = true;
  std::string iconName = {};
  ControlState state = ControlState::Off;  // On: a check mark; Mixed: an undecided one
  bool submenu = false;
  friend bool operator==(const EntryProperties&, const EntryProperties&) = default;
};

// The properties of the root entry (id 0), which only holds the top-level entries.
EntryProperties rootProperties();

// The properties whose values differ from the protocol's defaults; the others are left out.
PropertyMask presentProperties(const EntryProperties& entry);

// How an entry's properties changed: the ones to send with their new values, and the ones
// that went back to their defaults (sent by name only).
struct PropertyChange {
  PropertyMask updated = 0;
  PropertyMask removed = 0;
  bool empty() const { return updated == 0 && removed == 0; }
  friend bool operator==(const PropertyChange&, const PropertyChange&) = default;
};
PropertyChange propertyChange(const EntryProperties& before, const EntryProperties& after);

// The bit of one property name; 0 for a name this backend does not publish.
PropertyMask propertyBit(std::string_view name);

// Reads a list of property names (type "as") from `message` into the bits of the known ones;
// no names at all means every property. Unknown names are skipped, and a long list costs no
// memory. Returns sd-bus's result, negative when the message holds no such list.
int readPropertyMask(sd_bus_message* message, PropertyMask& mask);

// Appends the present properties of `entry` that are in `mask` to `message`, as an a{sv}.
int appendProperties(sd_bus_message* message, const EntryProperties& entry, PropertyMask mask);

// Appends the value of one property (`bit` a single known bit), its default included, as a v.
int appendPropertyValue(sd_bus_message* message, const EntryProperties& entry, PropertyMask bit);

// Appends the names of the properties in `mask`, as an as.
int appendPropertyNames(sd_bus_message* message, PropertyMask mask);

// Makes `label` the dbusmenu label of `text`: every "_" doubled, so that hosts show it instead
// of taking it for a mnemonic marker.
void assignMenuLabel(std::string& label, std::string_view text);

// Sets the label and icon name of `entry` from a styled title: an attachment on the first
// character names the icon (its symbol name) and, with the spaces that follow it, is not part
// of the label; the rest, text and tab and detail, is the label.
void applyTitle(const AttributedString& title, EntryProperties& entry);

}  // namespace nvx::platform
