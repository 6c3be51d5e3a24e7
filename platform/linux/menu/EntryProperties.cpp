#include "EntryProperties.h"

#include <array>

#include "platform/linux/dbus/DesktopNames.h"
#include "platform/linux/dbus/GPtr.h"
#include "platform/linux/dbus/TextVariant.h"
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

PropertyMask propertyMask(GVariant* names) {
  if (!g_variant_is_of_type(names, G_VARIANT_TYPE_STRING_ARRAY)) return 0;
  const gsize count = g_variant_n_children(names);
  if (count == 0) return kAllProperties;
  PropertyMask mask = 0;
  for (gsize i = 0; i < count && mask != kAllProperties; ++i) {
    gsize length = 0;
    const GVariantPtr name(g_variant_get_child_value(names, i));
    const char* text = g_variant_get_string(name.get(), &length);
    mask |= propertyBit(std::string_view(text, length));
  }
  return mask;
}

GVariant* propertyValue(const EntryProperties& entry, PropertyMask bit) {
  switch (bit) {
    case kPropertyType:
      return g_variant_new_string(entry.separator ? m::kTypeSeparator : "standard");
    case kPropertyLabel:
      return textVariant(entry.label);
    case kPropertyEnabled:
      return g_variant_new_boolean(entry.enabled);
    case kPropertyIconName:
      return textVariant(entry.iconName);
    case kPropertyToggleType:
      return g_variant_new_string(entry.state == ControlState::Off ? "" : m::kToggleCheckmark);
    case kPropertyToggleState:
      return g_variant_new_int32(entry.state == ControlState::On ? kToggleOn : -1);
    case kPropertyChildrenDisplay:
      return g_variant_new_string(entry.submenu ? m::kChildrenSubmenu : "");
    default:
      return nullptr;
  }
}

GVariant* propertiesVariant(const EntryProperties& entry, PropertyMask mask) {
  // Made from its children, not through a builder and format strings: this runs for every
  // entry of a layout and every changed one.
  std::array<GVariant*, kNames.size()> properties;
  std::size_t count = 0;
  const PropertyMask shown = presentProperties(entry) & mask;
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    const PropertyMask bit = 1u << i;
    if (!(shown & bit)) continue;
    properties[count++] = g_variant_new_dict_entry(
        g_variant_new_string(kNames[i]), g_variant_new_variant(propertyValue(entry, bit)));
  }
  return g_variant_new_array(variantType("{sv}"), properties.data(), count);
}

GVariant* propertyNames(PropertyMask mask) {
  std::array<const char*, kNames.size()> names;
  std::size_t count = 0;
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (mask & (1u << i)) names[count++] = kNames[i];
  }
  return g_variant_new_strv(names.data(), static_cast<gssize>(count));
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
