#pragma once

// The names that the lookup of symbols in the icon theme reads, in one place.
namespace nvx::desktop {

// XDG icon themes and the GTK setting that names the one in use.
inline constexpr char kIconThemeGroup[] = "Icon Theme";
inline constexpr char kDirectories[] = "Directories";
inline constexpr char kScaledDirectories[] = "ScaledDirectories";
inline constexpr char kInherits[] = "Inherits";
inline constexpr char kFallbackTheme[] = "hicolor";
inline constexpr char kGtkSettingsGroup[] = "Settings";
inline constexpr char kGtkIconThemeName[] = "gtk-icon-theme-name";
// Where KDE and LXQt name theirs, and their defaults; XDG_CURRENT_DESKTOP says which desktop.
inline constexpr char kEnvCurrentDesktop[] = "XDG_CURRENT_DESKTOP";
inline constexpr char kKdeDesktop[] = "KDE";
inline constexpr char kKdeGlobals[] = "/kdeglobals";
inline constexpr char kKdeIconsGroup[] = "Icons";
inline constexpr char kKdeIconTheme[] = "Theme";
inline constexpr char kKdeDefaultTheme[] = "breeze";
inline constexpr char kLxqtDesktop[] = "LXQt";
inline constexpr char kLxqtConfig[] = "/lxqt/lxqt.conf";
inline constexpr char kLxqtDefaults[] = "/usr/share/lxqt/lxqt.conf";
inline constexpr char kLxqtGroup[] = "General";
inline constexpr char kLxqtIconTheme[] = "icon_theme";

}  // namespace nvx::desktop
