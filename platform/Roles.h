#pragma once

namespace nvx::platform {

// Fonts by the role the core needs; each backend maps a role to the system's font at the
// moment it is used, so a change of the system's sizes shows at the next use.
enum class FontRole {
  BoldSystem,               // the bold system font at the system font size
  Menu,                     // the menu font at its default size
  MonospacedDigitSemibold,  // the semibold system font with fixed-width digits, system size
};

// Colours by role; the backend picks the system's colour for light or dark appearance.
enum class ColorRole {
  SecondaryLabel,  // the system's colour for secondary text
  SystemGreen,     // the system's green
};

}  // namespace nvx::platform
