// The entry of nvx-menubar on Linux: GLib's main loop, with the status item kept in memory
// (headless) and its resources found relative to the executable.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "GlibApplication.h"
#include "HeadlessImage.h"
#include "HeadlessSession.h"
#include "Main.h"

namespace {

using nvx::platform::Size;

// A socket on which a program playing the user drives the headless session (tests).
constexpr const char* kEnvControlFd = "NVX_HEADLESS_CONTROL_FD";

// The directory of the running executable, or "" when it cannot be told.
std::string executableDir() {
  std::array<char, PATH_MAX> path{};
  const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) return "";
  std::string dir(path.data(), static_cast<std::size_t>(n));
  return dir.substr(0, dir.find_last_of('/'));
}

// The pixel size from a PNG file's header; nothing when the file is not a PNG.
std::optional<Size> pngSize(const std::string& path) {
  std::array<unsigned char, 24> h{};
  std::ifstream file(path, std::ios::binary);
  if (!file.read(reinterpret_cast<char*>(h.data()), h.size())) return std::nullopt;
  static constexpr std::array<unsigned char, 8> kSignature = {0x89, 'P',  'N',  'G',
                                                              '\r', '\n', 0x1A, '\n'};
  if (!std::equal(kSignature.begin(), kSignature.end(), h.begin())) return std::nullopt;
  auto be32 = [&](std::size_t i) {
    return std::uint32_t{h[i]} << 24 | std::uint32_t{h[i + 1]} << 16 |
           std::uint32_t{h[i + 2]} << 8 | std::uint32_t{h[i + 3]};
  };
  return Size{static_cast<double>(be32(16)), static_cast<double>(be32(20))};
}

std::shared_ptr<nvx::platform::Image> loadImage(const std::string& path) {
  auto size = pngSize(path);
  if (!size) return nullptr;
  const std::size_t slash = path.find_last_of('/') + 1;
  return std::make_shared<nvx::platform::HeadlessImage>(
      path.substr(slash, path.find_last_of('.') - slash), *size);
}

int controlFd() {
  const char* value = std::getenv(kEnvControlFd);
  return value ? std::atoi(value) : -1;
}

}  // namespace

int main() {
  const std::string dir = executableDir();
  nvx::platform::GlibApplication application(loadImage, {dir, dir + "/../share/nvx-menubar"});
  nvx::platform::HeadlessSession session(application, controlFd());
  return nvx::Main::main({application, session, session.notifications(), session.hotKeys()});
}
