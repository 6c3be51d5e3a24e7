#pragma once

#include <string>
#include <vector>

namespace nvx::platform {

// Where the agent's resources are looked for, in order: next to the program (the build tree)
// and in share/nvx-menubar beside its bin/ (an installed copy).
std::vector<std::string> agentResourceDirs();

}  // namespace nvx::platform
