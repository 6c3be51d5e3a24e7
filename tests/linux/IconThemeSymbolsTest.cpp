// Symbol lookup in icon themes laid out in a temporary folder, found through the environment
// as on a desktop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/linux/images/IconThemeSymbols.h"
#include "platform/linux/images/ThemeIconImage.h"
#include "support/Tables.h"

namespace nvx::platform {
namespace {

TEST(IconThemeSymbolsTest, TheFirstNameTheThemeChainDrawsAtMenuSize) {
  const auto root = std::filesystem::temp_directory_path() / ("nvx" + std::to_string(getpid()));
  const std::pair<const char*, std::string> files[] = {
      {".config/gtk-3.0/settings.ini", "[Settings]\ngtk-icon-theme-name=Chosen"},
      {".config/kdeglobals", "[General]\nName=x\n[Icons]\nTheme=KdeChosen"},
      {".config/lxqt/lxqt.conf", "[General]\nicon_theme=LxqtChosen"},
      {"data/icons/Chosen/index.theme",
       "[Icon Theme]\nInherits=Parent\nDirectories=16x16/actions,48x48/legacy,scalable/st\n"
       "ScaledDirectories=16x16@2/actions\n[16x16/actions]\nSize=16\nType=Fixed\n"
       "[48x48/legacy]\nSize=48\nType=Fixed\n[16x16@2/actions]\nSize=16\nScale=2\n"
       "[scalable/st]\nSize=48\nMinSize=8\nMaxSize=512\nType=Scalable"},
      {"data/icons/Chosen/16x16/actions/document-send.png", ""},
      {"data/icons/Chosen/16x16/actions/emblem-ok.png", ""},
      {"data/icons/Chosen/scalable/st/emblem-ok-symbolic.svg", ""},
      {"data/icons/Chosen/48x48/legacy/preferences-system-notifications.png", ""},
      {"data/icons/Chosen/16x16/actions/notifications.svg", ""},
      {"data/icons/Chosen/48x48/legacy/edit-copy.png", ""},
      {"data/icons/Chosen/16x16@2/actions/avatar-default.png", ""},
      {"data/icons/Chosen/scalable/st/edit-find-symbolic.svg", ""},
      {"data/icons/Chosen/unlisted/preferences-system.png", ""},
      {"data/icons/Parent/index.theme", "[Icon Theme]\nDirectories=st\n[st]\nSize=16"},
      {"data/icons/Parent/st/starred-symbolic.svg", ""},
      {"data/icons/hicolor/index.theme", "[Icon Theme]\nDirectories=16/apps\n[16/apps]\nSize=17"},
      {"data/icons/hicolor/16/apps/appointment-soon.png", ""},
      {"data/icons/hicolor/16/apps/edit-copy.png", ""},
      {"data/icons/Other/16x16/status/accessories-dictionary.png", ""}};
  for (const auto& [path, text] : files) {
    std::filesystem::create_directories((root / path).parent_path());
    std::ofstream(root / path) << text;
  }
  // GTK's own cache of the parent theme, then without the file: only the cache knows the icon.
  const auto parent = root / "data/icons/Parent";
  ASSERT_EQ(std::system(("gtk-update-icon-cache -q " + parent.string()).c_str()), 0);
  std::filesystem::remove(parent / "st/starred-symbolic.svg");
  std::vector<std::pair<const char*, std::optional<std::string>>> saved;
  for (const char* name :
       {"HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CURRENT_DESKTOP"}) {
    const char* value = std::getenv(name);
    saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    unsetenv(name);
  }
  setenv("HOME", root.c_str(), 1);
  setenv("XDG_DATA_DIRS", (root / "data").c_str(), 1);
  IconThemeSymbols symbols;
  struct Symbol : test::Row {
    const char *symbol, *icon;
  };
  const Symbol rows[] = {
      {"Freedesktop", "document-send", "document-send"},  // a freedesktop name passes through
      {"Symbolic", "edit-find", "edit-find-symbolic"},    // or its symbolic variant, scalable
      {"TooBig", "bell", "notifications"},                // the colour icon is 48 px: the next name
      {"FirstOfTwo", "checkmark", "emblem-ok-symbolic"},  // the colour icon is drawn too
      {"Hidden", "rectangle.stack", ""},               // the theme's 48 px icon hides its parent's
      {"Doubled", "person", ""},                       // a doubled folder
      {"Unlisted", "gearshape", ""},                   // a folder the theme does not list
      {"Inherited", "star.fill", "starred-symbolic"},  // inherited, as the cache files it
      {"Hicolor", "clock", "appointment-soon"},        // in hicolor, one pixel off
      {"Missing", "book", ""},                         // in no theme in use
      {"Path", "../Chosen/16x16/actions/document-send", ""}};
  for (const Symbol& row : rows) {
    const auto image =
        std::dynamic_pointer_cast<ThemeIconImage>(symbols.symbolImage(row.symbol, ""));
    EXPECT_EQ(image ? image->iconName() : "", row.icon) << row.name;
  }
  // The theme the desktop's hosts draw with.
  for (const Symbol& row :
       {Symbol{"Gtk", "XFCE", "Chosen"}, Symbol{"Kde", "KDE", "KdeChosen"},
        Symbol{"Lxqt", "LXQt", "LxqtChosen"}, Symbol{"Listed", "foo:kde", "KdeChosen"}}) {
    setenv("XDG_CURRENT_DESKTOP", row.symbol, 1);
    EXPECT_EQ(IconThemeSymbols::currentTheme(), row.icon) << row.name;
  }
  for (const auto& [name, value] : saved)
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace nvx::platform
