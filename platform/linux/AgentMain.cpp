// The entry of nvx-menubar on Linux: GLib's main loop, with the status item kept in memory
// (headless) and its resources found relative to the executable.
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdint>
#include <fstream>
#include <string>

#include "GlibApplication.h"
#include "HeadlessHotKeys.h"
#include "HeadlessImage.h"
#include "HeadlessNotificationCenter.h"
#include "HeadlessPlatform.h"
#include "Main.h"

namespace {

using nvx::platform::Size;

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
  static constexpr std::array<unsigned char, 8> kSignature = {0x89, 'P', 'N', 'G',
                                                               '\r', '\n', 0x1A, '\n'};
  if (!std::equal(kSignature.begin(), kSignature.end(), h.begin())) return std::nullopt;
  auto be32 = [&](std::size_t i) {
    return std::uint32_t{h[i]} << 24 | std::uint32_t{h[i + 1]} << 16 |
           std::uint32_t{h[i + 2]} << 8 | std::uint32_t{h[i + 3]};
  };
  return Size{static_cast<double>(be32(16)), static_cast<double>(be32(20))};
}

}  // namespace

int main() {
  const std::string dir = executableDir();
  nvx::platform::GlibApplication application(
      [](const std::string& path) -> std::shared_ptr<nvx::platform::Image> {
        auto size = pngSize(path);
        if (!size) return nullptr;
        return std::make_shared<nvx::platform::HeadlessImage>("orvel", *size);
      },
      {dir, dir + "/../share/nvx-menubar"});

  nvx::platform::HeadlessOptions options;
  options.mainLoop = &application;
  nvx::platform::HeadlessPlatform ui(std::move(options));
  nvx::platform::HeadlessNotificationCenter notifications;
  nvx::platform::HeadlessHotKeys hotKeys;
  return nvx::Main::main({application, ui, notifications, hotKeys});
}
