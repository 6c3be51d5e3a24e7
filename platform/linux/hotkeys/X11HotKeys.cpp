#include "X11HotKeys.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "DisplayNames.h"

namespace nvx::platform {
namespace {

// Key positions by the interface's ANSI virtual key code: the XKB name of the key at that
// position, and the key's letter for a server without XKB.
struct KeyPosition {
  std::uint32_t keyCode;
  const char* xkbName;
  KeySym letter;
};
constexpr KeyPosition kKeyPositions[] = {{37, desktop::kXkbKeyL, XK_l}};

// The interface's modifier bits: a fixed X mask, or the mask that holds a key in this keymap.
struct ModifierBit {
  std::uint32_t bit;
  unsigned mask;
  KeySym key;
};
constexpr ModifierBit kModifierBits[] = {
    {0x1000, ControlMask, NoSymbol},  // control
    {0x0800, 0, XK_Alt_L},            // option: Alt, on whichever modifier the keymap puts it
    {0x0200, ShiftMask, NoSymbol},    // shift
    {0x0100, 0, XK_Super_L},          // command: the logo key
};

constexpr unsigned kAllModifiers =
    ShiftMask | LockMask | ControlMask | Mod1Mask | Mod2Mask | Mod3Mask | Mod4Mask | Mod5Mask;

// Lock states in which a grab must also hold: none, Caps Lock, Num Lock, both.
constexpr std::size_t kLockCombinations = 4;

// The modifier bit that `key` sets in this keymap; 0 when it sets none.
unsigned maskOf(const Xlib& x, Display* display, KeySym key) {
  const KeyCode code = x.XKeysymToKeycode(display, key);
  const std::unique_ptr<XModifierKeymap, decltype(x.XFreeModifiermap)> map(
      x.XGetModifierMapping(display), x.XFreeModifiermap);
  if (code == 0 || !map) return 0;
  for (int modifier = 0; modifier < 8; ++modifier) {
    for (int i = 0; i < map->max_keypermod; ++i) {
      if (map->modifiermap[modifier * map->max_keypermod + i] == code) return 1u << modifier;
    }
  }
  return 0;
}

// The keycode of the key at `position`; 0 when the keyboard has none there.
KeyCode keycodeAt(const Xlib& x, Display* display, const KeyPosition& position) {
  int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (!x.XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) {
    return x.XKeysymToKeycode(display, position.letter);
  }
  const auto free = [&x](XkbDescPtr desc) { x.XkbFreeKeyboard(desc, 0, True); };
  const std::unique_ptr<XkbDescRec, decltype(free)> desc(x.XkbGetMap(display, 0, XkbUseCoreKbd),
                                                         free);
  if (!desc || x.XkbGetNames(display, XkbKeyNamesMask, desc.get()) != Success || !desc->names ||
      !desc->names->keys) {
    return 0;
  }
  for (int code = desc->min_key_code; code <= desc->max_key_code; ++code) {
    if (std::strncmp(desc->names->keys[code].name, position.xkbName, XkbKeyNameLength) == 0) {
      return static_cast<KeyCode>(code);
    }
  }
  return 0;
}

// Errors of the grab requests, counted by the handler set around them (main thread only).
int grabErrors = 0;

int countError(Display*, XErrorEvent*) {
  ++grabErrors;
  return 0;
}

// Xlib's own handler prints and exits; the agent writes nothing and lives on without keys.
int ignoreLostConnection(Display*) {
  return 0;
}

// The X connection as a GLib source: ready when the socket is, or when Xlib has already
// read events into its queue (then the socket may stay quiet).
struct XSource {
  GSource base;
  const Xlib* x;
  Display* display;
  gpointer fd;
};

bool queued(const XSource* source) {
  return source->x->XEventsQueued(source->display, QueuedAlready) > 0;
}

gboolean prepareX(GSource* source, gint* timeout) {
  *timeout = -1;
  return queued(reinterpret_cast<XSource*>(source));
}

gboolean checkX(GSource* source) {
  auto* x = reinterpret_cast<XSource*>(source);
  return queued(x) || g_source_query_unix_fd(source, x->fd) != 0;
}

gboolean dispatchX(GSource*, GSourceFunc callback, gpointer data) {
  return callback(data);
}

GSourceFuncs kXSourceFuncs = {prepareX, checkX, dispatchX, nullptr, nullptr, nullptr};

}  // namespace

// Ungrabs its key when it goes.
class X11HotKeys::Grab final : public HotKeyRegistration {
 public:
  Grab(X11HotKeys& owner, Key key) : owner_(owner), key_(key) {}
  ~Grab() override {
    owner_.ungrab(key_);
    std::erase_if(owner_.keys_, [this](const Key& k) {
      return k.code == key_.code && k.modifiers == key_.modifiers;
    });
  }

 private:
  X11HotKeys& owner_;
  Key key_;
};

X11HotKeys::X11HotKeys(const char* displayName) {
  // Xlib is loaded only for a display to open.
  const char* name = displayName ? displayName : std::getenv(desktop::kEnvDisplay);
  if (!name || !*name || !(x_ = xlib())) return;
  display_.reset(x_->XOpenDisplay(name));
  if (!display_) return;
  Display* display = display_.get();
  x_->XSetIOErrorHandler(ignoreLostConnection);
  x_->XSetIOErrorExitHandler(display, &X11HotKeys::onConnectionLost, this);
  numLock_ = maskOf(*x_, display, XK_Num_Lock);
  // Holding the keys repeats presses without releases between them, so a held key reads as
  // one press, as it does for hot keys elsewhere.
  x_->XkbSetDetectableAutoRepeat(display, True, nullptr);

  watch_.reset(g_source_new(&kXSourceFuncs, sizeof(XSource)));
  auto* source = reinterpret_cast<XSource*>(watch_.get());
  source->x = x_;
  source->display = display;
  source->fd = g_source_add_unix_fd(watch_.get(), ConnectionNumber(display),
                                    static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR));
  g_source_set_callback(watch_.get(), &X11HotKeys::onEvents, this, nullptr);
  g_source_attach(watch_.get(), g_main_context_default());
}

X11HotKeys::~X11HotKeys() = default;

void X11HotKeys::installHandler(std::function<void()> handler) {
  handlers_.push_back(std::move(handler));
}

std::unique_ptr<HotKeyRegistration> X11HotKeys::registerHotKey(std::uint32_t keyCode,
                                                               std::uint32_t modifiers, HotKeyId) {
  if (!display_ || lost_) return nullptr;
  const auto position = std::find_if(std::begin(kKeyPositions), std::end(kKeyPositions),
                                     [&](const KeyPosition& p) { return p.keyCode == keyCode; });
  if (position == std::end(kKeyPositions)) return nullptr;
  Key key{keycodeAt(*x_, display_.get(), *position), 0};
  for (const ModifierBit& bit : kModifierBits) {
    if ((modifiers & bit.bit) == 0) continue;
    const unsigned mask = bit.mask ? bit.mask : maskOf(*x_, display_.get(), bit.key);
    if (mask == 0) return nullptr;
    key.modifiers |= mask;
    modifiers &= ~bit.bit;
  }
  if (key.code == 0 || modifiers != 0) return nullptr;
  if (!grab(key)) {
    ungrab(key);
    return nullptr;
  }
  keys_.push_back(key);
  return std::make_unique<Grab>(*this, key);
}

unsigned X11HotKeys::lockMasks(std::size_t combination) const {
  return ((combination & 1) ? LockMask : 0) | ((combination & 2) ? numLock_ : 0);
}

bool X11HotKeys::grab(const Key& key) {
  Display* display = display_.get();
  if (lost_) return false;
  const Window root = DefaultRootWindow(display);
  x_->XSync(display, False);
  grabErrors = 0;
  const XErrorHandler previous = x_->XSetErrorHandler(countError);
  for (std::size_t i = 0; i < kLockCombinations; ++i) {
    x_->XGrabKey(display, key.code, key.modifiers | lockMasks(i), root, False, GrabModeAsync,
                 GrabModeAsync);
  }
  x_->XSync(display, False);
  x_->XSetErrorHandler(previous);
  return grabErrors == 0 && !lost_;
}

void X11HotKeys::ungrab(const Key& key) {
  // Nothing to wait for: the server takes a client's requests in order, and an ungrab's
  // errors change nothing. At exit this spares two round trips to a server that another
  // client (a compositor) may be holding.
  Display* display = display_.get();
  if (lost_) return;
  for (std::size_t i = 0; i < kLockCombinations; ++i)
    x_->XUngrabKey(display, key.code, key.modifiers | lockMasks(i), DefaultRootWindow(display));
  x_->XFlush(display);
}

gboolean X11HotKeys::onEvents(gpointer data) {
  auto* self = static_cast<X11HotKeys*>(data);
  self->readEvents();
  return self->lost_ ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

void X11HotKeys::readEvents() {
  Display* display = display_.get();
  while (!lost_ && x_->XPending(display) > 0) {
    XEvent event;
    x_->XNextEvent(display, &event);
    if (event.type != KeyPress && event.type != KeyRelease) continue;
    const unsigned state = event.xkey.state & kAllModifiers & ~(LockMask | numLock_);
    const bool ours = std::any_of(keys_.begin(), keys_.end(),
                                  [&](const Key& key) { return key.code == event.xkey.keycode; });
    if (!ours) continue;
    if (event.type == KeyRelease) {
      held_ = false;
      continue;
    }
    const bool grabbed = std::any_of(keys_.begin(), keys_.end(), [&](const Key& key) {
      return key.code == event.xkey.keycode && key.modifiers == state;
    });
    if (!grabbed || held_) continue;
    held_ = true;
    for (auto& handler : handlers_)
      handler();
  }
}

void X11HotKeys::onConnectionLost(Display*, void* self) {
  static_cast<X11HotKeys*>(self)->lost_ = true;
}

}  // namespace nvx::platform
