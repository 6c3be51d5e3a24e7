#pragma once

// The names the agent's desktop services speak: notifications and the global-shortcuts
// portal on the session bus, X11 key names, and the files of XDG icon themes.
namespace nvx::desktop {

// org.freedesktop.Notifications.
inline constexpr char kNotificationsName[] = "org.freedesktop.Notifications";
inline constexpr char kNotificationsPath[] = "/org/freedesktop/Notifications";
inline constexpr char kNotificationsInterface[] = "org.freedesktop.Notifications";
inline constexpr char kGetCapabilities[] = "GetCapabilities";
inline constexpr char kNotify[] = "Notify";
inline constexpr char kActionInvoked[] = "ActionInvoked";
inline constexpr char kNotificationClosed[] = "NotificationClosed";
inline constexpr char kBodyMarkup[] = "body-markup";
inline constexpr char kDefaultAction[] = "default";
inline constexpr char kDefaultActionLabel[] = "Open";
inline constexpr char kSoundNameHint[] = "sound-name";
inline constexpr char kNewMessageSound[] = "message-new-instant";
inline constexpr int kDefaultExpiry = -1;
// The application name a notification server shows, and the icon it shows next to it.
inline constexpr char kAppName[] = "Norvane";
inline constexpr char kAppIconName[] = "orvel";

// org.freedesktop.portal.GlobalShortcuts and its Request/Session objects.
inline constexpr char kPortalName[] = "org.freedesktop.portal.Desktop";
inline constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
inline constexpr char kGlobalShortcutsInterface[] = "org.freedesktop.portal.GlobalShortcuts";
inline constexpr char kRequestInterface[] = "org.freedesktop.portal.Request";
inline constexpr char kSessionInterface[] = "org.freedesktop.portal.Session";
inline constexpr char kRequestPathPrefix[] = "/org/freedesktop/portal/desktop/request/";
inline constexpr char kCreateSession[] = "CreateSession";
inline constexpr char kBindShortcuts[] = "BindShortcuts";
inline constexpr char kClose[] = "Close";
inline constexpr char kResponse[] = "Response";
inline constexpr char kActivated[] = "Activated";
inline constexpr char kHandleToken[] = "handle_token";
inline constexpr char kSessionHandleToken[] = "session_handle_token";
inline constexpr char kSessionHandle[] = "session_handle";
inline constexpr char kDescription[] = "description";
inline constexpr char kPreferredTrigger[] = "preferred_trigger";
inline constexpr char kShortcutDescription[] = "Norvane hot key";
inline constexpr unsigned kResponseSuccess = 0;
// Trigger words of the XDG shortcuts format, as in "CTRL+ALT+l".
inline constexpr char kTriggerControl[] = "CTRL";
inline constexpr char kTriggerAlt[] = "ALT";
inline constexpr char kTriggerShift[] = "SHIFT";
inline constexpr char kTriggerLogo[] = "LOGO";
inline constexpr char kTriggerKeyL[] = "l";
inline constexpr char kTriggerJoin = '+';

// The XKB name of the key in the L position of an ANSI keyboard.
inline constexpr char kXkbKeyL[] = "AC09";

// XDG icon themes and the GTK setting that names the one in use.
inline constexpr char kIconThemeGroup[] = "Icon Theme";
inline constexpr char kDirectories[] = "Directories";
inline constexpr char kScaledDirectories[] = "ScaledDirectories";
inline constexpr char kInherits[] = "Inherits";
inline constexpr char kFallbackTheme[] = "hicolor";
inline constexpr char kGtkSettingsGroup[] = "Settings";
inline constexpr char kGtkIconThemeName[] = "gtk-icon-theme-name";

}  // namespace nvx::desktop
