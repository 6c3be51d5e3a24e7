#include "Main.h"

#include <csignal>
#include <memory>

namespace nvx {

int Main::main(AgentPlatform platform, Streams streams) {
  // A parent that closes its end of a pipe must not kill the agent: the write fails instead
  // and that line is dropped.
  std::signal(SIGPIPE, SIG_IGN);

  auto helper = std::make_shared<Helper>(platform, streams);
  platform.application.setDelegate(helper.get());
  platform.application.setActivationPolicyAccessory();
  platform.application.run();
  // Termination comes only from the reader's last task, so the reader is ending too. The
  // Helper is released here, while the platform objects it holds still exist.
  helper->joinReader();
  return 0;
}

}  // namespace nvx
