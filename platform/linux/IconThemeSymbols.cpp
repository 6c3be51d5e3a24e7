#include "IconThemeSymbols.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "DesktopNames.h"
#include "GPtr.h"
#include "ThemeIconImage.h"

namespace nvx::platform {
namespace {

using namespace desktop;
using GKeyFilePtr = std::unique_ptr<GKeyFile, GFree<g_key_file_free>>;
using GStrvPtr = std::unique_ptr<gchar*, GFree<g_strfreev>>;

// System-symbol names parents send, with the freedesktop icon name that shows the
// same thing (or, where it names none, the one GNOME and KDE themes both carry).
constexpr std::pair<std::string_view, std::string_view> kSymbolIcons[] = {
    {"bell", "preferences-system-notifications"},
    {"bell.fill", "preferences-system-notifications"},
    {"book", "accessories-dictionary"},
    {"book.fill", "accessories-dictionary"},
    {"checkmark", "emblem-default"},
    {"checkmark.circle", "emblem-default"},
    {"checkmark.circle.fill", "emblem-default"},
    {"clock", "appointment-soon"},
    {"gear", "preferences-system"},
    {"gearshape", "preferences-system"},
    {"gearshape.fill", "preferences-system"},
    {"person", "avatar-default"},
    {"person.circle", "avatar-default"},
    {"rectangle.stack", "edit-copy"},
    {"square.and.arrow.up", "document-send"},
    {"star", "non-starred"},
    {"star.fill", "starred"},
};

// The icon file kinds hosts read; ".symbolic.png" is GTK's rendering of a symbolic icon.
constexpr const char* kIconExtensions[] = {".png", ".svg", ".xpm", ".symbolic.png"};

// GTK's own default icon theme, used when no setting names one.
constexpr char kDefaultTheme[] = "Adwaita";

// Inherits chains longer than this are broken or circular.
constexpr int kMaxInheritance = 16;

// Longer names are no file names.
constexpr std::size_t kMaxName = 255;

// An XDG base directory variable, or its default when unset or empty.
std::string xdgVariable(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

std::vector<std::string> splitList(const std::string& list) {
  std::vector<std::string> parts;
  const GStrvPtr split(g_strsplit(list.c_str(), ":", -1));
  for (gchar** part = split.get(); *part; ++part) {
    if (**part) parts.emplace_back(*part);
  }
  return parts;
}

std::string homeDir() {
  return g_get_home_dir();
}

// A comma-separated list value of `key`; empty when the key is missing.
std::vector<std::string> listValue(GKeyFile* file, const char* group, const char* key) {
  std::vector<std::string> values;
  const GStrvPtr list(g_key_file_get_string_list(file, group, key, nullptr, nullptr));
  if (!list) return values;
  for (gchar** value = list.get(); *value; ++value) {
    g_strstrip(*value);
    if (**value) values.emplace_back(*value);
  }
  return values;
}

// The first group of the key file at `path`, the only one read here ([Icon Theme], [Settings]):
// a theme's index describes each of its hundreds of folders in groups of their own, which
// would cost the agent a few hundred kilobytes of heap for good.
GKeyFilePtr loadKeyFile(const std::string& path, char separator) {
  gchar* contents = nullptr;
  gsize size = 0;
  if (!g_file_get_contents(path.c_str(), &contents, &size, nullptr)) return {};
  const GCharPtr text(contents);
  std::string_view head(text.get(), size);
  const std::size_t first = head.starts_with('[') ? 0 : head.find("\n[");
  if (first != std::string_view::npos) head = head.substr(0, head.find("\n[", first + 1));
  GKeyFilePtr file(g_key_file_new());
  g_key_file_set_list_separator(file.get(), separator);
  if (!g_key_file_load_from_data(file.get(), head.data(), head.size(), G_KEY_FILE_NONE, nullptr)) {
    return {};
  }
  return file;
}

}  // namespace

IconThemeSymbols::IconThemeSymbols() : IconThemeSymbols(currentTheme(), iconBaseDirs()) {}

IconThemeSymbols::IconThemeSymbols(std::string theme, std::vector<std::string> baseDirs)
    : theme_(std::move(theme)), baseDirs_(std::move(baseDirs)) {}

std::string IconThemeSymbols::currentTheme() {
  const std::string configHome = xdgVariable("XDG_CONFIG_HOME", homeDir() + "/.config");
  std::vector<std::string> files = {configHome + "/gtk-3.0/settings.ini",
                                    configHome + "/gtk-4.0/settings.ini"};
  for (const std::string& dir : splitList(xdgVariable("XDG_CONFIG_DIRS", "/etc/xdg"))) {
    files.push_back(dir + "/gtk-3.0/settings.ini");
  }
  files.emplace_back("/etc/gtk-3.0/settings.ini");
  for (const std::string& path : files) {
    const GKeyFilePtr settings = loadKeyFile(path, ',');
    if (!settings) continue;
    const GCharPtr name(
        g_key_file_get_string(settings.get(), kGtkSettingsGroup, kGtkIconThemeName, nullptr));
    if (name && *name) return name.get();
  }
  return kDefaultTheme;
}

std::vector<std::string> IconThemeSymbols::iconBaseDirs() {
  const std::string home = homeDir();
  std::vector<std::string> dirs = {home + "/.icons",
                                   xdgVariable("XDG_DATA_HOME", home + "/.local/share") + "/icons"};
  for (const std::string& dir :
       splitList(xdgVariable("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))) {
    dirs.push_back(dir + "/icons");
  }
  return dirs;
}

std::string_view IconThemeSymbols::iconName(std::string_view symbol) {
  const auto* end = std::end(kSymbolIcons);
  const auto* found = std::find_if(std::begin(kSymbolIcons), end,
                                   [&](const auto& entry) { return entry.first == symbol; });
  return found == end ? symbol : found->second;
}

std::shared_ptr<Image> IconThemeSymbols::symbolImage(std::string_view name, std::string_view) {
  const std::string icon(iconName(name));
  // Names come from the parent: nothing that could leave the theme's folders.
  if (icon.empty() || icon.size() > kMaxName || icon.front() == '.' ||
      icon.find('/') != std::string::npos) {
    return nullptr;
  }
  if (!loaded_) {
    std::set<std::string> seen;
    addTheme(theme_, 0, seen);
    addTheme(kFallbackTheme, 0, seen);
    iconDirs_.shrink_to_fit();
    loaded_ = true;
  }
  auto known = known_.find(icon);
  if (known == known_.end()) {
    if (known_.size() >= kMaxKnownNames) known_.clear();
    auto image = lookUp(icon) ? std::make_shared<ThemeIconImage>(icon) : nullptr;
    known = known_.emplace(icon, std::move(image)).first;
  }
  return known->second;
}

// The theme's index.theme is the first one found along the base folders; its folders are
// looked for in every base folder, then its parents' folders, as the icon theme lookup goes.
void IconThemeSymbols::addTheme(const std::string& theme, int depth, std::set<std::string>& seen) {
  if (depth > kMaxInheritance || theme.empty() || theme.find('/') != std::string::npos ||
      !seen.insert(theme).second) {
    return;
  }
  GKeyFilePtr index;
  for (const std::string& base : baseDirs_) {
    if ((index = loadKeyFile(base + "/" + theme + "/index.theme", ','))) break;
  }
  if (!index) return;
  std::vector<std::string> subdirs = listValue(index.get(), kIconThemeGroup, kDirectories);
  for (std::string& scaled : listValue(index.get(), kIconThemeGroup, kScaledDirectories)) {
    subdirs.push_back(std::move(scaled));
  }
  for (const std::string& base : baseDirs_) {
    for (const std::string& subdir : subdirs) {
      std::string dir = base + "/" + theme + "/" + subdir;
      if (g_file_test(dir.c_str(), G_FILE_TEST_IS_DIR)) iconDirs_.append(dir).push_back('\0');
    }
  }
  for (const std::string& parent : listValue(index.get(), kIconThemeGroup, kInherits)) {
    addTheme(parent, depth + 1, seen);
  }
}

bool IconThemeSymbols::lookUp(const std::string& iconName) const {
  std::string path;
  for (std::size_t at = 0, end = 0; at < iconDirs_.size(); at = end + 1) {
    end = iconDirs_.find('\0', at);
    path.assign(iconDirs_, at, end - at).append("/").append(iconName);
    const std::size_t stem = path.size();
    for (const char* ext : kIconExtensions) {
      path.resize(stem);
      if (access(path.append(ext).c_str(), F_OK) == 0) return true;
    }
  }
  return false;
}

}  // namespace nvx::platform
