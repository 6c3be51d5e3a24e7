#include "Xlib.h"

#include <dlfcn.h>

#include "DisplayNames.h"

namespace nvx::platform {
namespace {

template <class F>
bool bind(void* library, const char* name, F& function) {
  void* symbol = dlsym(library, name);
  if (!symbol) return false;
  function = reinterpret_cast<F>(symbol);
  return true;
}

bool load(Xlib& x) {
  // Lazily bound, as the linker would have: only the functions called get resolved. Displays
  // and their handlers live in the library for the rest of the process: it is never unloaded.
  void* library = dlopen(desktop::kXlibLibrary, RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
  if (!library) return false;
#define NVX_BIND(name) bind(library, #name, x.name)
  const bool all = NVX_BIND(XOpenDisplay) && NVX_BIND(XCloseDisplay) &&
                   NVX_BIND(XSetErrorHandler) && NVX_BIND(XSetIOErrorHandler) &&
                   NVX_BIND(XSetIOErrorExitHandler) && NVX_BIND(XSync) && NVX_BIND(XFlush) &&
                   NVX_BIND(XPending) && NVX_BIND(XEventsQueued) && NVX_BIND(XNextEvent) &&
                   NVX_BIND(XGrabKey) && NVX_BIND(XUngrabKey) && NVX_BIND(XKeysymToKeycode) &&
                   NVX_BIND(XGetModifierMapping) && NVX_BIND(XFreeModifiermap) &&
                   NVX_BIND(XkbQueryExtension) && NVX_BIND(XkbGetMap) && NVX_BIND(XkbGetNames) &&
                   NVX_BIND(XkbFreeKeyboard) && NVX_BIND(XkbSetDetectableAutoRepeat);
#undef NVX_BIND
  return all;
}

}  // namespace

const Xlib* xlib() {
  static Xlib x{};
  static const bool loaded = load(x);
  return loaded ? &x : nullptr;
}

}  // namespace nvx::platform
