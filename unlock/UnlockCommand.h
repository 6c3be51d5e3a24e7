#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/unlock/Semaphore.h"
#include "platform/unlock/UnlockContext.h"

namespace nvx {

// The one word a run prints and the exit status that goes with it.
struct Verdict {
  std::string_view word;
  int status = 1;

  bool operator==(const Verdict&) const = default;
};

using MakeSemaphore = std::unique_ptr<Semaphore> (*)();

// Runs nvx-unlock on `args` (element 0 the program path): `check` as the first argument asks
// for "yes"/"no", anything else authenticates the owner for "ok"/"fail". Blocks until the
// platform replies; never fails otherwise.
Verdict runUnlockCommand(std::span<const std::string> args, UnlockContext& ctx,
                         MakeSemaphore makeSemaphore);

// The program: runs the command on the command line, prints its word and a line feed on
// standard output and returns the exit status.
int runUnlockProgram(int argc, char** argv, UnlockContext& ctx, MakeSemaphore makeSemaphore);

}  // namespace nvx
