// nvx-unlock: authenticates the device owner and prints "ok" or "fail"; `nvx-unlock check`
// prints "yes" or "no" for whether a fingerprint sensor can be used. The backend is the one
// the build linked.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "UnlockCommand.h"
#include "UnlockPlatform.h"

int main(int argc, char** argv) {
  // A parent that stopped reading must not turn the verdict into a death by SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);

  const std::vector<std::string> args(argv, argv + argc);
  const auto ctx = nvx::makeUnlockContext();
  const nvx::Verdict verdict = nvx::runUnlockCommand(args, *ctx, nvx::makeSemaphore);

  std::fwrite(verdict.word.data(), 1, verdict.word.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  return verdict.status;
}
