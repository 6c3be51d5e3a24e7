#pragma once

#include "Helper.h"

namespace nvx {

// The program's entry sequence.
struct Main {
  // Creates the one Helper, makes it the application's delegate, sets the accessory policy and
  // runs the event loop until the application terminates; returns the exit status, 0.
  static int main(AgentPlatform platform, Streams streams = {});
};

}  // namespace nvx
