#pragma once

#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/SymbolImages.h"
#include "platform/linux/glib/GPtr.h"

namespace nvx::platform {

// Symbols as icons of the desktop's XDG icon theme: the system-symbol names parents send map
// to a short list of freedesktop icon names (the symbolic variant first), other names pass
// through (their symbolic variant next), and a symbol has an image only when the theme (with
// the themes it inherits and hicolor) draws one of its names at menu size, so that the menu
// shows an icon exactly where the host can draw one that fits the row. Main thread only.
class IconThemeSymbols final : public SymbolImages {
 public:
  // Names whose answer is kept; past that the memory starts afresh, so that a parent sending
  // ever new names cannot grow the agent.
  static constexpr std::size_t kMaxKnownNames = 256;
  // The size in pixels at which hosts draw menu icons.
  static constexpr int kMenuIconSize = 16;

  // The theme in use, looked up in the XDG icon folders of the environment.
  IconThemeSymbols();
  // `theme` looked up in `baseDirs` (each holding <theme>/index.theme and its folders).
  IconThemeSymbols(std::string theme, std::vector<std::string> baseDirs);
  ~IconThemeSymbols() override;

  // GTK's icon theme setting (user, then system configuration), else GTK's default theme.
  static std::string currentTheme();
  // $HOME/.icons, $XDG_DATA_HOME/icons, each of $XDG_DATA_DIRS/icons, in lookup order.
  static std::vector<std::string> iconBaseDirs();

  // A ThemeIconImage of the first of the symbol's names that the theme draws at menu size,
  // or null when it has none. The accessibility description has no place in a host's
  // icon-name.
  std::shared_ptr<Image> symbolImage(std::string_view name,
                                     std::string_view accessibilityDescription) override;

 private:
  // One theme's folder under one base folder: its icon-theme.cache when that is up to date,
  // else its listed folders that exist, probed file by file. A folder's kind says whether
  // the theme lists it and whether it holds menu-size icons.
  struct Source {
    std::unique_ptr<GMappedFile, GFree<g_mapped_file_unref>> cache;
    std::vector<std::uint8_t> cacheDirs;  // kinds by the cache's folder index
    std::string dirs;                     // without a cache: each folder's kind, its path and a NUL
  };
  // A theme of the inheritance chain, with its sources in base folder order.
  using Theme = std::vector<Source>;

  void load();
  void addTheme(const std::string& theme, int depth, std::set<std::string>& seen);
  bool drawsAtMenuSize(const std::string& iconName) const;
  static std::uint8_t find(const Source& source, const std::string& iconName);

  std::string theme_;
  std::vector<std::string> baseDirs_;
  bool loaded_ = false;  // the themes are read on the first lookup
  std::vector<Theme> themes_;
  // Answers so far, by symbol: the image (never changed: styling configures a copy), or null
  // for a symbol the theme draws none of.
  std::unordered_map<std::string, std::shared_ptr<Image>> known_;
};

}  // namespace nvx::platform
