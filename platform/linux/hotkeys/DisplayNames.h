#pragma once

// The displays of a session, and the X11 names the key grab uses.
namespace nvx::desktop {

// Set in a Wayland session.
inline constexpr char kEnvWaylandDisplay[] = "WAYLAND_DISPLAY";

// The XKB name of the key in the L position of an ANSI keyboard.
inline constexpr char kXkbKeyL[] = "AC09";
// The X display of the session, and the Xlib loaded only when there is one.
inline constexpr char kEnvDisplay[] = "DISPLAY";
inline constexpr char kXlibLibrary[] = "libX11.so.6";

}  // namespace nvx::desktop
