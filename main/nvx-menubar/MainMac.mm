// The entry of nvx-menubar on macOS: the core on AppKit, UserNotifications and the Carbon
// event manager.
#import <Foundation/Foundation.h>

#include "nvx-menubar/Main.h"
#include "platform/macos/MacApplication.h"
#include "platform/macos/MacHotKeys.h"
#include "platform/macos/MacNotificationCenter.h"
#include "platform/macos/MacToolkit.h"

int main() {
  @autoreleasepool {
    // The shared application first: the other objects talk to it.
    nvx::platform::MacApplication application;
    nvx::platform::MacToolkit platform;
    nvx::platform::MacNotificationCenter notifications;
    nvx::platform::MacHotKeys hotKeys;
    // Returns only if the event loop ever stops; terminate: ends the process itself.
    return nvx::Main::main({application, platform, notifications, hotKeys});
  }
}
