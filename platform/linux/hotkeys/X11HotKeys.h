#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Xlib.h"
#include "platform/HotKeys.h"
#include "platform/linux/glib/GPtr.h"

namespace nvx::platform {

// Hot keys as passive key grabs on the root window of an X display, read on GLib's main
// context. Main thread only; registrations must not outlive this object.
class X11HotKeys final : public HotKeys {
 public:
  // Connects to `displayName` (null: $DISPLAY); isOpen() tells whether that worked.
  explicit X11HotKeys(const char* displayName = nullptr);
  ~X11HotKeys() override;
  X11HotKeys(const X11HotKeys&) = delete;
  X11HotKeys& operator=(const X11HotKeys&) = delete;

  bool isOpen() const { return display_ != nullptr; }

  void installHandler(std::function<void()> handler) override;

  // Grabs the keycode at the key's position (not its letter) with the modifiers, also with
  // Num Lock and Caps Lock on. Null for a key or modifier the table does not know, or when
  // another client holds the grab already.
  std::unique_ptr<HotKeyRegistration> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                     HotKeyId id) override;

 private:
  class Grab;
  struct Key {
    KeyCode code;
    unsigned modifiers;
  };

  static gboolean onEvents(gpointer self);
  static void onConnectionLost(Display* display, void* self);
  // The grab requests for `key` in each lock state; true when the server refused none.
  bool grab(const Key& key);
  // The ungrab requests, sent without waiting for the server.
  void ungrab(const Key& key);
  unsigned lockMasks(std::size_t combination) const;
  void readEvents();

  struct CloseDisplay {
    void operator()(Display* display) const { xlib()->XCloseDisplay(display); }
  };

  const Xlib* x_ = nullptr;  // loaded when there is a display to open
  std::unique_ptr<Display, CloseDisplay> display_;
  GSourcePtr watch_;
  unsigned numLock_ = 0;  // the modifier bit Num Lock sets, 0 when it has none
  std::vector<std::function<void()>> handlers_;
  std::vector<Key> keys_;  // grabbed now
  bool held_ = false;      // a hot key is down: its auto-repeat presses are not presses
  bool lost_ = false;      // the server went away; the display only waits to be freed
};

}  // namespace nvx::platform
