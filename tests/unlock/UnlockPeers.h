#pragma once

#include <memory>
#include <string>
#include <vector>

#include "PrivateBus.h"
#include "TestProcess.h"
#include "platform/linux/unlock/UnlockDbus.h"

namespace nvx::test {

// What a run of nvx-unlock may end with: one word, nothing on standard error.
inline const Outcome kOk{"ok\n", "", 0, 0};
inline const Outcome kFail{"fail\n", "", 1, 0};
inline const Outcome kYes{"yes\n", "", 0, 0};
inline const Outcome kNo{"no\n", "", 0, 0};

// fprintd_peer.py parameters: a default device with one finger enrolled.
inline constexpr char kEnrolledFinger[] = R"({"device": true, "fingers": ["right-index-finger"]})";

// The command line of the built program with `args`.
inline std::vector<std::string> unlockCommand(const std::vector<std::string>& args) {
  std::vector<std::string> argv{NVX_UNLOCK_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

// Starts fprintd_peer.py on `bus` with `parameters` (see the peer); null when it did not start.
inline std::unique_ptr<TestProcess> startFprintd(const PrivateBus& bus, const char* parameters) {
  return bus.startPeer(
      {kPython, "-m", "dbusmock", "--system", "-t", NVX_FPRINTD_PEER, "-p", parameters},
      unlockdbus::kFprintName);
}

}  // namespace nvx::test
