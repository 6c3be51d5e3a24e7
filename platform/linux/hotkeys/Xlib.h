#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace nvx::platform {

// The Xlib functions the hot keys call, from libX11 loaded at run time: a session without an
// X display never maps it and the libraries it pulls in (over half a megabyte resident).
// Members carry the functions' own names, so calls read as Xlib's: `x.XSync(display, False)`.
struct Xlib {
  decltype(&::XOpenDisplay) XOpenDisplay;
  decltype(&::XCloseDisplay) XCloseDisplay;
  decltype(&::XSetErrorHandler) XSetErrorHandler;
  decltype(&::XSetIOErrorHandler) XSetIOErrorHandler;
  decltype(&::XSetIOErrorExitHandler) XSetIOErrorExitHandler;
  decltype(&::XSync) XSync;
  decltype(&::XFlush) XFlush;
  decltype(&::XPending) XPending;
  decltype(&::XEventsQueued) XEventsQueued;
  decltype(&::XNextEvent) XNextEvent;
  decltype(&::XGrabKey) XGrabKey;
  decltype(&::XUngrabKey) XUngrabKey;
  decltype(&::XKeysymToKeycode) XKeysymToKeycode;
  decltype(&::XGetModifierMapping) XGetModifierMapping;
  decltype(&::XFreeModifiermap) XFreeModifiermap;
  decltype(&::XkbQueryExtension) XkbQueryExtension;
  decltype(&::XkbGetMap) XkbGetMap;
  decltype(&::XkbGetNames) XkbGetNames;
  decltype(&::XkbFreeKeyboard) XkbFreeKeyboard;
  decltype(&::XkbSetDetectableAutoRepeat) XkbSetDetectableAutoRepeat;
};

// libX11's functions, loaded on the first call and kept for the life of the process; null
// when the library or one of the functions is missing.
const Xlib* xlib();

}  // namespace nvx::platform
