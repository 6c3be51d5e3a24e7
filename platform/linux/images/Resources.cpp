#include "Resources.h"

#include <unistd.h>

#include <array>
#include <climits>

namespace nvx::platform {

std::vector<std::string> agentResourceDirs() {
  std::array<char, PATH_MAX> path{};
  const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) return {};
  std::string dir(path.data(), static_cast<std::size_t>(n));
  dir.erase(dir.find_last_of('/'));
  return {dir, dir + "/../share/nvx-menubar"};
}

}  // namespace nvx::platform
