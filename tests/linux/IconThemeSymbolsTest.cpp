// Symbol lookup in icon themes laid out in a temporary folder, found through the environment
// as on a desktop.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/IconThemeSymbols.h"
#include "platform/linux/ThemeIconImage.h"

namespace nvx::platform {
namespace {

TEST(IconThemeSymbolsTest, AnImageOnlyForNamesTheThemeInUseOrItsAncestorsHave) {
  const auto root = std::filesystem::temp_directory_path() / ("nvx" + std::to_string(getpid()));
  const std::pair<const char*, const char*> files[] = {
      {".config/gtk-3.0/settings.ini", "[Settings]\ngtk-icon-theme-name=Chosen"},
      {"data/icons/Chosen/index.theme",
       "[Icon Theme]\nInherits=Parent\nDirectories=16x16/actions,scalable/status"},
      {"data/icons/Chosen/16x16/actions/document-send.png", ""},
      {"data/icons/Chosen/unlisted/preferences-system.png", ""},
      {"data/icons/Parent/index.theme", "[Icon Theme]\nDirectories=24x24/apps"},
      {"data/icons/Parent/24x24/apps/accessories-dictionary.svg", ""},
      {"data/icons/hicolor/index.theme", "[Icon Theme]\nDirectories=48x48/status"},
      {"data/icons/hicolor/48x48/status/starred.symbolic.png", ""},
      {"data/icons/Other/16x16/status/non-starred.png", ""}};
  for (const auto& [path, text] : files) {
    std::filesystem::create_directories((root / path).parent_path());
    std::ofstream(root / path) << text;
  }
  setenv("HOME", root.c_str(), 1);
  setenv("XDG_DATA_DIRS", (root / "data").c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("XDG_DATA_HOME");
  IconThemeSymbols symbols;
  const std::pair<const char*, const char*> rows[] = {
      {"square.and.arrow.up", "document-send"},  // in the theme
      {"book", "accessories-dictionary"},        // inherited
      {"star.fill", "starred"},                  // in hicolor, as GTK draws a symbolic icon
      {"document-send", "document-send"},        // a freedesktop name passes through
      {"gearshape", ""},                         // in a folder the theme does not list
      {"star", ""},                              // in no theme in use
      {"../Chosen/16x16/actions/document-send", ""}};
  for (const auto& [symbol, icon] : rows) {
    const auto image = std::dynamic_pointer_cast<ThemeIconImage>(symbols.symbolImage(symbol, ""));
    EXPECT_EQ(image ? image->iconName() : "", icon) << symbol;
  }
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace nvx::platform
