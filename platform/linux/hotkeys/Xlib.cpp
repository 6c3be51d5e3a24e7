#include "Xlib.h"

#include <gmodule.h>

#include "platform/linux/dbus/DesktopNames.h"

namespace nvx::platform {
namespace {

template <class F>
bool bind(GModule* module, const char* name, F& function) {
  gpointer symbol = nullptr;
  if (!g_module_symbol(module, name, &symbol) || !symbol) return false;
  function = reinterpret_cast<F>(symbol);
  return true;
}

bool load(Xlib& x) {
  // Lazily bound, as the linker would have: only the functions called get resolved.
  GModule* module = g_module_open(
      desktop::kXlibLibrary, static_cast<GModuleFlags>(G_MODULE_BIND_LAZY | G_MODULE_BIND_LOCAL));
  if (!module) return false;
#define NVX_BIND(name) bind(module, #name, x.name)
  const bool all = NVX_BIND(XOpenDisplay) && NVX_BIND(XCloseDisplay) &&
                   NVX_BIND(XSetErrorHandler) && NVX_BIND(XSetIOErrorHandler) &&
                   NVX_BIND(XSetIOErrorExitHandler) && NVX_BIND(XSync) && NVX_BIND(XFlush) &&
                   NVX_BIND(XPending) && NVX_BIND(XEventsQueued) && NVX_BIND(XNextEvent) &&
                   NVX_BIND(XGrabKey) && NVX_BIND(XUngrabKey) && NVX_BIND(XKeysymToKeycode) &&
                   NVX_BIND(XGetModifierMapping) && NVX_BIND(XFreeModifiermap) &&
                   NVX_BIND(XkbQueryExtension) && NVX_BIND(XkbGetMap) && NVX_BIND(XkbGetNames) &&
                   NVX_BIND(XkbFreeKeyboard) && NVX_BIND(XkbSetDetectableAutoRepeat);
#undef NVX_BIND
  if (!all) {
    g_module_close(module);
    return false;
  }
  // Displays and their handlers live in the library for the rest of the process.
  g_module_make_resident(module);
  return true;
}

}  // namespace

const Xlib* xlib() {
  static Xlib x{};
  static const bool loaded = load(x);
  return loaded ? &x : nullptr;
}

}  // namespace nvx::platform
