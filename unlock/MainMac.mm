// nvx-unlock on macOS: LocalAuthentication for the owner and the sensor.
#include "platform/macos/unlock/LAUnlockContext.h"
#include "unlock/UnlockCommand.h"

int main(int argc, char** argv) {
  // What Foundation and LocalAuthentication autorelease on this thread (the prompt's string,
  // for one) needs a pool; without one it is never released.
  @autoreleasepool {
    const auto context = nvx::makeLAUnlockContext();
    return nvx::runUnlockProgram(argc, argv, *context, nvx::makeDispatchSemaphore);
  }
}
