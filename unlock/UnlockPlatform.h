#pragma once

#include <memory>

#include "Semaphore.h"
#include "UnlockContext.h"

namespace nvx {

// Supplied by the one backend the build links (platform/linux/unlock or platform/macos/unlock).

// A fresh context for this run.
std::unique_ptr<UnlockContext> makeUnlockContext();

// A semaphore at zero for the authentication reply.
std::unique_ptr<Semaphore> makeSemaphore();

}  // namespace nvx
