#pragma once

#include <memory>

#include "platform/unlock/Semaphore.h"
#include "platform/unlock/UnlockContext.h"

namespace nvx {

// A fresh LocalAuthentication context for one run (device-owner policy).
std::unique_ptr<UnlockContext> makeLAUnlockContext();

// A Dispatch semaphore at zero, for the authentication reply.
std::unique_ptr<Semaphore> makeDispatchSemaphore();

}  // namespace nvx
