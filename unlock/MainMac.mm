// nvx-unlock on macOS: LocalAuthentication for the owner and the sensor.
#include "platform/macos/unlock/LAUnlockContext.h"
#include "unlock/UnlockCommand.h"

int main(int argc, char** argv) {
  const auto context = nvx::makeLAUnlockContext();
  return nvx::runUnlockProgram(argc, argv, *context, nvx::makeDispatchSemaphore);
}
