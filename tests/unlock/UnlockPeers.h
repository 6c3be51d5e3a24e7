#pragma once

#include <string>
#include <vector>

#include "platform/linux/unlock/UnlockDbus.h"
#include "support/PrivateBus.h"

namespace nvx::test {

// What a run of nvx-unlock may end with: one word, nothing on standard error.
inline const Outcome kOk{"ok\n", "", 0, 0};
inline const Outcome kFail{"fail\n", "", 1, 0};
inline const Outcome kYes{"yes\n", "", 0, 0};
inline const Outcome kNo{"no\n", "", 0, 0};

// The built program with `args`, on `bus`, as `uid` (0: this user).
inline ChildProcess::Options unlockCommand(const PrivateBus& bus, std::vector<std::string> args,
                                           uid_t uid = 0) {
  args.insert(args.begin(), NVX_UNLOCK_BINARY);
  return {.argv = std::move(args), .env = bus.env(), .uid = uid};
}

}  // namespace nvx::test
