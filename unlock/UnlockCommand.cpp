#include "UnlockCommand.h"

#include <cassert>
#include <csignal>
#include <cstdio>
#include <vector>

#include "platform/streams/Utf8.h"

namespace nvx {
namespace {

constexpr std::string_view kCheckWord = "check";
constexpr std::string_view kDefaultPrompt = "Unlock Norvane";

constexpr Verdict kYes{"yes", 0};
constexpr Verdict kNo{"no", 0};
constexpr Verdict kOk{"ok", 0};
constexpr Verdict kFail{"fail", 1};

}  // namespace

Verdict runUnlockCommand(std::span<const std::string> args, UnlockContext& ctx,
                         MakeSemaphore makeSemaphore) {
  // Asked on every run, before the arguments are looked at: it also fills in the biometry type.
  const bool can = ctx.canEvaluatePolicy();

  if (args.size() >= 2 && args[1] == kCheckWord) {
    return can && ctx.biometryType() == kBiometryTouchId ? kYes : kNo;
  }
  if (!can) return kFail;

  // Invalid UTF-8 becomes U+FFFD, as in every text the agent shows: the system would take
  // such a reason for none at all.
  std::string reason;
  appendRepairedUtf8(args.size() >= 3 ? std::string_view(args[2]) : kDefaultPrompt, reason);

  // Shared with the reply, which may still be inside signal() when wait() returns here.
  struct Pending {
    std::unique_ptr<Semaphore> done;
    bool ok = false;
  };
  auto pending = std::make_shared<Pending>(Pending{makeSemaphore()});
  assert(pending->done);
  ctx.evaluatePolicy(reason, [pending](bool success) {
    pending->ok = success;
    pending->done->signal();
  });
  pending->done->wait();  // orders the reply's write of `ok` before the read below
  return pending->ok ? kOk : kFail;
}

int runUnlockProgram(int argc, char** argv, UnlockContext& ctx, MakeSemaphore makeSemaphore) {
  // A parent that stopped reading must not turn the verdict into a death by SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);

  const std::vector<std::string> args(argv, argv + argc);
  const Verdict verdict = runUnlockCommand(args, ctx, makeSemaphore);
  std::fwrite(verdict.word.data(), 1, verdict.word.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  return verdict.status;
}

}  // namespace nvx
