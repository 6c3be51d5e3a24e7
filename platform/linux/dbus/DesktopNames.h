#pragma once

#include <cstdint>

// The D-Bus names and words of the desktop backend, in one place: the message bus, the status
// item (StatusNotifierItem and its watcher), its menu (com.canonical.dbusmenu), notifications
// and the global-shortcuts portal.
namespace nvx::platform::dbus {

// The message bus itself, and how a session finds it.
inline constexpr char kBusName[] = "org.freedesktop.DBus";
inline constexpr char kBusPath[] = "/org/freedesktop/DBus";
inline constexpr char kBusInterface[] = "org.freedesktop.DBus";
inline constexpr char kGetNameOwner[] = "GetNameOwner";
inline constexpr char kNameOwnerChanged[] = "NameOwnerChanged";
inline constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";
inline constexpr char kErrorUnknownMethod[] = "org.freedesktop.DBus.Error.UnknownMethod";
inline constexpr char kEnvSessionBusAddress[] = "DBUS_SESSION_BUS_ADDRESS";
inline constexpr char kEnvRuntimeDir[] = "XDG_RUNTIME_DIR";
inline constexpr char kRuntimeBusSocket[] = "/bus";  // under XDG_RUNTIME_DIR
inline constexpr char kUnixPathPrefix[] = "unix:path=";
inline constexpr char kAutolaunchPrefix[] = "autolaunch:";

// The status item and the watcher that tray hosts run.
namespace sni {
inline constexpr char kItemNamePrefix[] = "org.kde.StatusNotifierItem-";  // then <pid>-<n>
inline constexpr char kItemPath[] = "/StatusNotifierItem";
inline constexpr char kItemInterface[] = "org.kde.StatusNotifierItem";
inline constexpr char kWatcherName[] = "org.kde.StatusNotifierWatcher";
inline constexpr char kWatcherPath[] = "/StatusNotifierWatcher";
inline constexpr char kWatcherInterface[] = "org.kde.StatusNotifierWatcher";
inline constexpr char kRegisterItem[] = "RegisterStatusNotifierItem";
inline constexpr char kItemUnregistered[] = "StatusNotifierItemUnregistered";
inline constexpr char kActivate[] = "Activate";
inline constexpr char kSecondaryActivate[] = "SecondaryActivate";
inline constexpr char kContextMenu[] = "ContextMenu";
inline constexpr char kScroll[] = "Scroll";

inline constexpr char kCategory[] = "Category";
inline constexpr char kId[] = "Id";
inline constexpr char kTitle[] = "Title";
inline constexpr char kStatus[] = "Status";
inline constexpr char kWindowId[] = "WindowId";
inline constexpr char kIconName[] = "IconName";
inline constexpr char kIconPixmap[] = "IconPixmap";
inline constexpr char kIconThemePath[] = "IconThemePath";
inline constexpr char kOverlayIconName[] = "OverlayIconName";
inline constexpr char kOverlayIconPixmap[] = "OverlayIconPixmap";
inline constexpr char kAttentionIconName[] = "AttentionIconName";
inline constexpr char kAttentionIconPixmap[] = "AttentionIconPixmap";
inline constexpr char kAttentionMovieName[] = "AttentionMovieName";
inline constexpr char kToolTip[] = "ToolTip";
inline constexpr char kItemIsMenu[] = "ItemIsMenu";
inline constexpr char kMenu[] = "Menu";
inline constexpr char kLabel[] = "XAyatanaLabel";
inline constexpr char kLabelGuide[] = "XAyatanaLabelGuide";

inline constexpr char kNewTitle[] = "NewTitle";
inline constexpr char kNewIcon[] = "NewIcon";
inline constexpr char kNewAttentionIcon[] = "NewAttentionIcon";
inline constexpr char kNewOverlayIcon[] = "NewOverlayIcon";
inline constexpr char kNewToolTip[] = "NewToolTip";
inline constexpr char kNewStatus[] = "NewStatus";
inline constexpr char kNewLabel[] = "XAyatanaNewLabel";

// The icon's symbolic form, which hosts draw in their panel's text colour.
inline constexpr char kSymbolicSuffix[] = "-symbolic";
inline constexpr char kItemId[] = "nvx-menubar";
inline constexpr char kCategoryApplicationStatus[] = "ApplicationStatus";
inline constexpr char kStatusActive[] = "Active";
inline constexpr char kStatusNeedsAttention[] = "NeedsAttention";
}  // namespace sni

// The menu of the status item.
namespace menu {
inline constexpr char kPath[] = "/MenuBar";
inline constexpr char kInterface[] = "com.canonical.dbusmenu";

inline constexpr char kGetLayout[] = "GetLayout";
inline constexpr char kGetGroupProperties[] = "GetGroupProperties";
inline constexpr char kGetProperty[] = "GetProperty";
inline constexpr char kEvent[] = "Event";
inline constexpr char kEventGroup[] = "EventGroup";
inline constexpr char kAboutToShow[] = "AboutToShow";
inline constexpr char kAboutToShowGroup[] = "AboutToShowGroup";
inline constexpr char kItemsPropertiesUpdated[] = "ItemsPropertiesUpdated";
inline constexpr char kLayoutUpdated[] = "LayoutUpdated";
inline constexpr char kItemActivationRequested[] = "ItemActivationRequested";

inline constexpr char kVersion[] = "Version";
inline constexpr char kTextDirection[] = "TextDirection";
inline constexpr char kStatus[] = "Status";
inline constexpr char kIconThemePath[] = "IconThemePath";
inline constexpr std::uint32_t kVersionNumber = 3;
inline constexpr char kLeftToRight[] = "ltr";
inline constexpr char kStatusNormal[] = "normal";
inline constexpr char kStatusNotice[] = "notice";

// Properties of one entry, and their non-default values.
inline constexpr char kType[] = "type";
inline constexpr char kLabel[] = "label";
inline constexpr char kEnabled[] = "enabled";
inline constexpr char kIconName[] = "icon-name";
inline constexpr char kToggleType[] = "toggle-type";
inline constexpr char kToggleState[] = "toggle-state";
inline constexpr char kChildrenDisplay[] = "children-display";
inline constexpr char kTypeSeparator[] = "separator";
inline constexpr char kToggleCheckmark[] = "checkmark";
inline constexpr char kChildrenSubmenu[] = "submenu";

inline constexpr char kEventClicked[] = "clicked";
inline constexpr std::int32_t kRootId = 0;
}  // namespace menu

}  // namespace nvx::platform::dbus

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
inline constexpr char kShortcuts[] = "shortcuts";
// The session's token: Plasma names the application by it in its shortcut settings.
inline constexpr char kSessionToken[] = "Norvane";
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

}  // namespace nvx::desktop
