// nvx-unlock on Linux: polkit for the owner, fprintd for the sensor.
#include <memory>

#include "platform/linux/unlock/PolkitUnlockContext.h"
#include "platform/linux/unlock/StdSemaphore.h"
#include "unlock/UnlockCommand.h"

int main(int argc, char** argv) {
  nvx::PolkitUnlockContext context;
  return nvx::runUnlockProgram(argc, argv, context, []() -> std::unique_ptr<nvx::Semaphore> {
    return std::make_unique<nvx::StdSemaphore>();
  });
}
