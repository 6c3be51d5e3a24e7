#include "EntryProperties.h"

#include <array>
#include <cerrno>

#include "platform/linux/dbus/AppendText.h"
#include "platform/linux/dbus/DesktopNames.h"
#include "platform/linux/images/ThemeIconImage.h"

namespace nvx::platform {
namespace {

namespace m = dbus::menu;

// The names by bit, in the order the bits are numbered.
constexpr std::array<const char*, 7> kNames = {
    m::kType,       m::kLabel,       m::kEnabled,         m::kIconName,
    m::kToggleType, m::kToggleState, m::kChildrenDisplay,
};

// Spaces the icon segment puts between the icon and the text; hosts space icons themselves.
constexpr std::size_t kIconGapSpaces = 2;

constexpr std::int32_t kToggleOn = 1;

// The icon name a host draws for an attachment: the theme's name for the symbol, which the
// platform's symbol images give only when the icon theme in use has it.
const std::string& iconName(const TextAttachment& attachment) {
  if (const auto* icon = dynamic_cast<const ThemeIconImage*>(attachment.image.get())) {
    return icon->iconName();
  }
  return attachment.symbolName;
}

}  // namespace

EntryProperties rootProperties() {
  return {.root = true, .submenu = true};
}

PropertyMask presentProperties(const EntryProperties& entry) {
  if (entry.separator) return kPropertyType;
  // An entry's label goes out even when empty: without one GTK hosts draw a placeholder text.
  // The root is never drawn.
  PropertyMask mask = entry.root ? 0u : PropertyMask{kPropertyLabel};
  if (!entry.enabled) mask |= kPropertyEnabled;
  if (!entry.iconName.empty()) mask |= kPropertyIconName;
  // An unchecked entry shows no check box at all, as on the system the core was made for.
  if (entry.state != ControlState::Off) mask |= kPropertyToggleType;
  // Mixed is the protocol's default state (-1), so only On is sent.
  if (entry.state == ControlState::On) mask |= kPropertyToggleState;
  if (entry.submenu) mask |= kPropertyChildrenDisplay;
  return mask;
}

PropertyChange propertyChange(const EntryProperties& before, const EntryProperties& after) {
  const PropertyMask had = presentProperties(before);
  const PropertyMask has = presentProperties(after);
  PropertyChange change;
  change.removed = had & ~has;
  for (PropertyMask bit = 1; bit <= kAllProperties; bit <<= 1) {
    if (!(has & bit)) continue;
    if (!(had & bit)) {
      change.updated |= bit;
      continue;
    }
    // Present in both: compare the values themselves.
    const bool differs = (bit == kPropertyLabel && before.label != after.label) ||
                         (bit == kPropertyIconName && before.iconName != after.iconName);
    if (differs) change.updated |= bit;
  }
  return change;
}

PropertyMask propertyBit(std::string_view name) {
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (name == kNames[i]) return 1u << i;
  }
  return 0;
}

int readPropertyMask(sd_bus_message* message, PropertyMask& mask) {
  int r = sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, "s");
  if (r < 0) return r;
  mask = 0;
  bool any = false;
  const char* name = nullptr;
  while ((r = sd_bus_message_read_basic(message, SD_BUS_TYPE_STRING, &name)) > 0) {
    any = true;
    mask |= propertyBit(name);
  }
  if (r < 0) return r;
  if (!any) mask = kAllProperties;
  return sd_bus_message_exit_container(message);
}

namespace {

int appendVariant(sd_bus_message* message, const char* text) {
  return sd_bus_message_append(message, "v", "s", text);
}

int appendTextVariant(sd_bus_message* message, std::string_view text) {
  int r = sd_bus_message_open_container(message, SD_BUS_TYPE_VARIANT, "s");
  if (r < 0) return r;
  r = appendText(message, text);
  if (r < 0) return r;
  return sd_bus_message_close_container(message);
}

}  // namespace

int appendPropertyValue(sd_bus_message* message, const EntryProperties& entry, PropertyMask bit) {
  switch (bit) {
    case kPropertyType:
      return appendVariant(message, entry.separator ? m::kTypeSeparator : "standard");
    case kPropertyLabel:
      return appendTextVariant(message, entry.label);
    case kPropertyEnabled:
      return sd_bus_message_append(message, "v", "b", static_cast<int>(entry.enabled));
    case kPropertyIconName:
      return appendTextVariant(message, entry.iconName);
    case kPropertyToggleType:
      return appendVariant(message, entry.state == ControlState::Off ? "" : m::kToggleCheckmark);
    case kPropertyToggleState:
      return sd_bus_message_append(message, "v", "i",
                                   entry.state == ControlState::On ? kToggleOn : -1);
    case kPropertyChildrenDisplay:
      return appendVariant(message, entry.submenu ? m::kChildrenSubmenu : "");
    default:
      return -EINVAL;
  }
}

int appendProperties(sd_bus_message* message, const EntryProperties& entry, PropertyMask mask) {
  // Written straight into the message: this runs for every entry of a layout and every
  // changed one.
  int r = sd_bus_message_open_container(message, SD_BUS_TYPE_ARRAY, "{sv}");
  if (r < 0) return r;
  const PropertyMask shown = presentProperties(entry) & mask;
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    const PropertyMask bit = 1u << i;
    if (!(shown & bit)) continue;
    r = sd_bus_message_open_container(message, SD_BUS_TYPE_DICT_ENTRY, "sv");
    if (r < 0) return r;
    r = sd_bus_message_append_basic(message, SD_BUS_TYPE_STRING, kNames[i]);
    if (r < 0) return r;
    r = appendPropertyValue(message, entry, bit);
    if (r < 0) return r;
    r = sd_bus_message_close_container(message);
    if (r < 0) return r;
  }
  return sd_bus_message_close_container(message);
}

int appendPropertyNames(sd_bus_message* message, PropertyMask mask) {
  int r = sd_bus_message_open_container(message, SD_BUS_TYPE_ARRAY, "s");
  if (r < 0) return r;
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (!(mask & (1u << i))) continue;
    r = sd_bus_message_append_basic(message, SD_BUS_TYPE_STRING, kNames[i]);
    if (r < 0) return r;
  }
  return sd_bus_message_close_container(message);
}

void assignMenuLabel(std::string& label, std::string_view text) {
  // In place: a refresh restyles every entry, and the label keeps its capacity.
  label.clear();
  for (std::size_t underscore; (underscore = text.find('_')) != std::string_view::npos;) {
    label.append(text.substr(0, underscore + 1)).push_back('_');
    text.remove_prefix(underscore + 1);
  }
  label.append(text);
}

void applyTitle(const AttributedString& title, EntryProperties& entry) {
  std::string_view text = title.string();
  entry.iconName.clear();
  if (text.starts_with(AttributedString::kAttachmentCharacter)) {
    if (const Attachment attachment = title.attributesAt(0).attachment) {
      entry.iconName = iconName(*attachment);
      text.remove_prefix(AttributedString::kAttachmentCharacter.size());
      for (std::size_t i = 0; i < kIconGapSpaces && text.starts_with(' '); ++i)
        text.remove_prefix(1);
    }
  }
  assignMenuLabel(entry.label, text);
}

}  // namespace nvx::platform
