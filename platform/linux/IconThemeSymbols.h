#pragma once

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/SymbolImages.h"

namespace nvx::platform {

// Symbols as icons of the desktop's XDG icon theme: the system-symbol names parents send map
// to freedesktop icon names, other names pass through, and a name has an image only when the
// theme (with the themes it inherits and hicolor) has an icon of that name, so that the menu
// shows an icon exactly where the host can draw one. Main thread only.
class IconThemeSymbols final : public SymbolImages {
 public:
  // Names whose answer is kept; past that the memory starts afresh, so that a parent sending
  // ever new names cannot grow the agent.
  static constexpr std::size_t kMaxKnownNames = 256;

  // The theme in use, looked up in the XDG icon folders of the environment.
  IconThemeSymbols();
  // `theme` looked up in `baseDirs` (each holding <theme>/index.theme and its folders).
  IconThemeSymbols(std::string theme, std::vector<std::string> baseDirs);

  // GTK's icon theme setting (user, then system configuration), else GTK's default theme.
  static std::string currentTheme();
  // $HOME/.icons, $XDG_DATA_HOME/icons, each of $XDG_DATA_DIRS/icons, in lookup order.
  static std::vector<std::string> iconBaseDirs();
  // The freedesktop name for a system-symbol name; any other name unchanged.
  static std::string_view iconName(std::string_view symbol);

  // A ThemeIconImage of the mapped name, or null when the theme has no such icon. The
  // accessibility description has no place in a host's icon-name.
  std::shared_ptr<Image> symbolImage(std::string_view name,
                                     std::string_view accessibilityDescription) override;

 private:
  void addTheme(const std::string& theme, int depth, std::set<std::string>& seen);
  bool lookUp(const std::string& iconName) const;

  std::string theme_;
  std::vector<std::string> baseDirs_;
  bool loaded_ = false;  // the folders are read on the first lookup
  // The icon folders of the theme chain that exist, each ended by a NUL: one block, not
  // hundreds of strings (hicolor alone lists over 600 folders).
  std::string iconDirs_;
  // Answers so far, by icon name: the image (never changed: styling configures a copy), or
  // null for a name the theme lacks.
  std::unordered_map<std::string, std::shared_ptr<Image>> known_;
};

}  // namespace nvx::platform
