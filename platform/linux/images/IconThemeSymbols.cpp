#include "IconThemeSymbols.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "IconThemeNames.h"
#include "ThemeIconImage.h"
#include "platform/linux/glib/GPtr.h"

namespace nvx::platform {
namespace {

using namespace desktop;
using GKeyFilePtr = std::unique_ptr<GKeyFile, GFree<g_key_file_free>>;
using GStrvPtr = std::unique_ptr<gchar*, GFree<g_strfreev>>;

// System-symbol names parents send, with the freedesktop icon names that show the same thing,
// best first: the symbolic variant (drawn at any size, in the text's colour, as the symbols
// are; Adwaita and Breeze both carry these), the full-colour one, and an older or other
// theme's name for it (Breeze's bell is "notifications").
struct SymbolIcons {
  std::string_view symbol;
  std::array<std::string_view, 3> names;
};
constexpr SymbolIcons kSymbolIcons[] = {
    {"bell",
     {"preferences-system-notifications-symbolic", "preferences-system-notifications",
      "notifications"}},
    {"bell.fill",
     {"preferences-system-notifications-symbolic", "preferences-system-notifications",
      "notifications"}},
    {"book", {"accessories-dictionary-symbolic", "accessories-dictionary"}},
    {"book.fill", {"accessories-dictionary-symbolic", "accessories-dictionary"}},
    {"checkmark", {"emblem-ok-symbolic", "emblem-ok", "emblem-default"}},
    {"checkmark.circle", {"emblem-default-symbolic", "emblem-default"}},
    {"checkmark.circle.fill", {"emblem-default-symbolic", "emblem-default"}},
    {"clock", {"document-open-recent-symbolic", "document-open-recent", "appointment-soon"}},
    {"gear", {"emblem-system-symbolic", "emblem-system", "preferences-system"}},
    {"gearshape", {"emblem-system-symbolic", "emblem-system", "preferences-system"}},
    {"gearshape.fill", {"emblem-system-symbolic", "emblem-system", "preferences-system"}},
    {"person", {"avatar-default-symbolic", "avatar-default"}},
    {"person.circle", {"avatar-default-symbolic", "avatar-default"}},
    {"rectangle.stack", {"edit-copy-symbolic", "edit-copy"}},
    {"square.and.arrow.up", {"send-to-symbolic", "send-to", "document-send"}},
    // Adwaita draws non-starred-symbolic dim, as if disabled.
    {"star", {"starred-symbolic", "starred"}},
    {"star.fill", {"starred-symbolic", "starred"}},
};

constexpr char kSymbolicSuffix[] = "-symbolic";

// The icon file kinds hosts read; ".symbolic.png" is GTK's rendering of a symbolic icon.
constexpr const char* kIconExtensions[] = {".png", ".svg", ".xpm", ".symbolic.png"};

// A theme folder's kind, ordered: the best a theme has of an icon decides.
constexpr std::uint8_t kNowhere = 0;    // not listed by the theme
constexpr std::uint8_t kOtherSize = 1;  // listed; its icons are drawn at their own size
constexpr std::uint8_t kMenuSize = 2;   // listed; its icons are drawn at menu size

// GTK's icon cache: big-endian words, version 1.0.
constexpr char kCacheFile[] = "icon-theme.cache";
constexpr std::uint32_t kCacheEnd = 0xFFFFFFFF;  // no such offset (and a chain's end)

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

// The first group of a key file, the only one GKeyFile reads here ([Icon Theme], [Settings]):
// a theme's index describes each of its hundreds of folders in groups of their own, which
// would cost the agent a few hundred kilobytes of heap for good.
GKeyFilePtr keyFileHead(std::string_view text, char separator) {
  const std::size_t first = text.starts_with('[') ? 0 : text.find("\n[");
  if (first != std::string_view::npos) text = text.substr(0, text.find("\n[", first + 1));
  GKeyFilePtr file(g_key_file_new());
  g_key_file_set_list_separator(file.get(), separator);
  if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_NONE, nullptr)) {
    return {};
  }
  return file;
}

// The first value of `key` in `group` among `files`, in order; `fallback` when none has one.
std::string settingIn(const std::vector<std::string>& files, const char* group, const char* key,
                      const char* fallback) {
  for (const std::string& path : files) {
    GKeyFilePtr settings(g_key_file_new());
    // Whole files: the group is not always the first (kdeglobals).
    if (!g_key_file_load_from_file(settings.get(), path.c_str(), G_KEY_FILE_NONE, nullptr))
      continue;
    const GCharPtr name(g_key_file_get_string(settings.get(), group, key, nullptr));
    if (name && *name) return name.get();
  }
  return fallback;
}

std::string_view trimmed(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t\r") + 1 - begin);
}

// What a folder's group in a theme index says of its icons' size.
struct FolderSize {
  std::string_view type;
  int size = 0, minSize = -1, maxSize = -1, threshold = 2, scale = 1;

  void set(std::string_view key, std::string_view value) {
    if (key == "Type") type = value;
    int* field = key == "Size"        ? &size
                 : key == "MinSize"   ? &minSize
                 : key == "MaxSize"   ? &maxSize
                 : key == "Threshold" ? &threshold
                 : key == "Scale"     ? &scale
                                      : nullptr;
    if (field) std::from_chars(value.data(), value.data() + value.size(), *field);
  }

  // Whether hosts draw the folder's icons at menu size, as the icon theme lookup picks sizes.
  bool menuSize() const {
    constexpr int menu = IconThemeSymbols::kMenuIconSize;
    if (scale != 1) return false;
    if (type == "Fixed") return size == menu;
    if (type == "Scalable") {
      return (minSize < 0 ? size : minSize) <= menu && menu <= (maxSize < 0 ? size : maxSize);
    }
    return std::abs(size - menu) <= threshold;
  }
};

// The theme index at `path`: the kind of each folder it lists, by name, and the themes it
// inherits. False when there is no index.
bool readIndex(const std::string& path, std::unordered_map<std::string, std::uint8_t>& folders,
               std::vector<std::string>& inherits) {
  gchar* contents = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr)) return false;
  const GCharPtr owned(contents);
  const std::string_view text(contents, length);
  const GKeyFilePtr head = keyFileHead(text, ',');
  if (!head) return false;
  for (const char* key : {kDirectories, kScaledDirectories}) {
    for (std::string& folder : listValue(head.get(), kIconThemeGroup, key))
      folders.emplace(std::move(folder), kOtherSize);
  }
  inherits = listValue(head.get(), kIconThemeGroup, kInherits);
  std::uint8_t* kind = nullptr;  // of the folder whose group is being read
  FolderSize size;
  const auto settle = [&] {
    if (kind && size.menuSize()) *kind = kMenuSize;
  };
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = trimmed(text.substr(at, end - at));
    at = end + 1;
    if (line.size() > 1 && line.front() == '[' && line.back() == ']') {
      settle();
      const auto folder = folders.find(std::string(line.substr(1, line.size() - 2)));
      kind = folder == folders.end() ? nullptr : &folder->second;
      size = {};
    } else if (const std::size_t equals = line.find('='); kind && equals != line.npos) {
      size.set(trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1)));
    }
  }
  settle();
  return true;
}

// The big-endian number of `bytes` bytes at `offset` of a cache; kCacheEnd past its end.
std::uint32_t cacheNumber(std::string_view cache, std::size_t offset, int bytes = 4) {
  if (offset > cache.size() || cache.size() - offset < static_cast<std::size_t>(bytes)) {
    return kCacheEnd;
  }
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i)
    value = value << 8 | static_cast<std::uint8_t>(cache[offset + i]);
  return value;
}

// The NUL-ended text at `offset` of a cache; empty when it runs past the end.
std::string_view cacheText(std::string_view cache, std::size_t offset) {
  const std::size_t end = offset < cache.size() ? cache.find('\0', offset) : cache.npos;
  return end == cache.npos ? std::string_view() : cache.substr(offset, end - offset);
}

// The cache's hash of an icon name.
std::uint32_t cacheHash(std::string_view name) {
  std::uint32_t hash = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<std::uint32_t>(static_cast<signed char>(name[i]));
    hash = i == 0 ? c : (hash << 5) - hash + c;
  }
  return hash;
}

// The best kind among the folders the cache files `name` in (kinds by folder index).
std::uint8_t findInCache(std::string_view cache, const std::vector<std::uint8_t>& kinds,
                         std::string_view name) {
  const std::uint32_t hash = cacheNumber(cache, 4);
  const std::uint32_t buckets = cacheNumber(cache, hash);
  if (buckets == 0 || buckets == kCacheEnd) return kNowhere;
  std::size_t icon = cacheNumber(cache, hash + 4 + std::size_t{4} * (cacheHash(name) % buckets));
  // A chain longer than the cache has icons for is a loop.
  for (std::size_t step = 0; icon != kCacheEnd && step < cache.size() / 12; ++step) {
    if (cacheText(cache, cacheNumber(cache, icon + 4)) == name) {
      const std::size_t images = cacheNumber(cache, icon + 8);
      const std::uint32_t count = cacheNumber(cache, images);
      std::uint8_t best = kNowhere;
      for (std::size_t i = 0; i < count && best != kMenuSize; ++i) {
        const std::uint32_t folder = cacheNumber(cache, images + 4 + 8 * i, 2);
        if (folder == kCacheEnd) break;
        if (folder < kinds.size()) best = std::max(best, kinds[folder]);
      }
      return best;
    }
    icon = cacheNumber(cache, icon);
  }
  return kNowhere;
}

// The theme folder's icon-theme.cache, when it is GTK's version 1.0 and no older than the
// folder (GTK ignores a stale cache too).
GMappedFile* openCache(const std::string& root, const struct stat& folder) {
  const int fd = open((root + "/" + kCacheFile).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat file {};
  GMappedFile* cache = nullptr;
  if (fstat(fd, &file) == 0 && S_ISREG(file.st_mode) && file.st_mtime >= folder.st_mtime) {
    cache = g_mapped_file_new_from_fd(fd, FALSE, nullptr);
  }
  close(fd);
  if (!cache) return nullptr;
  const std::string_view data(g_mapped_file_get_contents(cache), g_mapped_file_get_length(cache));
  if (cacheNumber(data, 0, 2) != 1 || cacheNumber(data, 2, 2) != 0) {
    g_mapped_file_unref(cache);
    return nullptr;
  }
  return cache;
}

}  // namespace

IconThemeSymbols::IconThemeSymbols() : IconThemeSymbols(currentTheme(), iconBaseDirs()) {}

IconThemeSymbols::IconThemeSymbols(std::string theme, std::vector<std::string> baseDirs)
    : theme_(std::move(theme)), baseDirs_(std::move(baseDirs)) {}

IconThemeSymbols::~IconThemeSymbols() = default;

std::string IconThemeSymbols::currentTheme() {
  // The hosts draw with the icon theme of the desktop's own toolkit settings.
  const std::string configHome = xdgVariable("XDG_CONFIG_HOME", homeDir() + "/.config");
  const std::vector<std::string> configDirs = splitList(xdgVariable("XDG_CONFIG_DIRS", "/etc/xdg"));
  const auto files = [&](const char* name) {
    std::vector<std::string> paths = {configHome + name};
    for (const std::string& dir : configDirs)
      paths.push_back(dir + name);
    return paths;
  };
  std::vector<std::string> desktops = splitList(xdgVariable(kEnvCurrentDesktop, ""));
  const auto on = [&](const char* desktop) {
    return std::any_of(desktops.begin(), desktops.end(), [&](const std::string& d) {
      return g_ascii_strcasecmp(d.c_str(), desktop) == 0;
    });
  };
  if (on(kKdeDesktop))
    return settingIn(files(kKdeGlobals), kKdeIconsGroup, kKdeIconTheme, kKdeDefaultTheme);
  if (on(kLxqtDesktop)) {
    std::vector<std::string> paths = files(kLxqtConfig);
    paths.emplace_back(kLxqtDefaults);
    return settingIn(paths, kLxqtGroup, kLxqtIconTheme, kDefaultTheme);
  }
  std::vector<std::string> paths = files("/gtk-3.0/settings.ini");
  paths.insert(paths.begin() + 1, configHome + "/gtk-4.0/settings.ini");
  paths.emplace_back("/etc/gtk-3.0/settings.ini");
  return settingIn(paths, kGtkSettingsGroup, kGtkIconThemeName, kDefaultTheme);
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

std::shared_ptr<Image> IconThemeSymbols::symbolImage(std::string_view name, std::string_view) {
  // Names come from the parent: nothing that could leave the theme's folders.
  if (name.empty() || name.size() > kMaxName || name.front() == '.' ||
      name.find('/') != std::string::npos) {
    return nullptr;
  }
  load();
  auto known = known_.find(std::string(name));
  if (known != known_.end()) return known->second;
  if (known_.size() >= kMaxKnownNames) known_.clear();
  // A symbol's names, or a freedesktop name and its symbolic variant.
  std::array<std::string, 3> names = {std::string(name), std::string(name) + kSymbolicSuffix};
  if (name.ends_with(kSymbolicSuffix)) names[1].clear();
  const auto* end = std::end(kSymbolIcons);
  const auto* symbol = std::find_if(std::begin(kSymbolIcons), end,
                                    [&](const auto& entry) { return entry.symbol == name; });
  if (symbol != end) std::copy(symbol->names.begin(), symbol->names.end(), names.begin());
  std::shared_ptr<Image> image;
  for (const std::string& icon : names) {
    if (!icon.empty() && drawsAtMenuSize(icon)) {
      image = std::make_shared<ThemeIconImage>(icon);
      break;
    }
  }
  return known_.emplace(std::string(name), std::move(image)).first->second;
}

void IconThemeSymbols::load() {
  if (loaded_) return;
  loaded_ = true;
  std::set<std::string> seen;
  addTheme(theme_, 0, seen);
  addTheme(kFallbackTheme, 0, seen);
}

// The theme's index.theme is the first one found along the base folders; its folders are
// looked for in every base folder, then its parents' folders, as the icon theme lookup goes.
void IconThemeSymbols::addTheme(const std::string& theme, int depth, std::set<std::string>& seen) {
  if (depth > kMaxInheritance || theme.empty() || theme.find('/') != std::string::npos ||
      !seen.insert(theme).second) {
    return;
  }
  std::vector<std::pair<std::string, struct stat>> roots;
  std::unordered_map<std::string, std::uint8_t> folders;
  std::vector<std::string> parents;
  bool indexed = false;
  for (const std::string& base : baseDirs_) {
    std::string root = base + "/" + theme;
    struct stat folder {};
    if (stat(root.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) continue;
    if (!indexed) indexed = readIndex(root + "/index.theme", folders, parents);
    roots.emplace_back(std::move(root), folder);
  }
  if (!indexed) return;
  Theme sources;
  for (const auto& [root, folder] : roots) {
    Source& source = sources.emplace_back();
    source.cache.reset(openCache(root, folder));
    if (source.cache) {
      const std::string_view cache(g_mapped_file_get_contents(source.cache.get()),
                                   g_mapped_file_get_length(source.cache.get()));
      const std::size_t list = cacheNumber(cache, 8);
      const std::uint32_t count = cacheNumber(cache, list);
      for (std::size_t i = 0; count != kCacheEnd && i < count; ++i) {
        const std::uint32_t at = cacheNumber(cache, list + 4 + 4 * i);
        if (at == kCacheEnd) break;
        const auto kind = folders.find(std::string(cacheText(cache, at)));
        source.cacheDirs.push_back(kind == folders.end() ? kNowhere : kind->second);
      }
      continue;
    }
    for (const auto& [name, kind] : folders) {
      const std::string dir = root + "/" + name;
      if (g_file_test(dir.c_str(), G_FILE_TEST_IS_DIR)) {
        source.dirs.append(1, static_cast<char>('0' + kind)).append(dir).push_back('\0');
      }
    }
    source.dirs.shrink_to_fit();
  }
  themes_.push_back(std::move(sources));
  for (const std::string& parent : parents)
    addTheme(parent, depth + 1, seen);
}

// As the icon theme lookup goes: the first theme along the chain that has the icon at all
// decides, and hosts draw it at menu size only when that theme has it at that size.
bool IconThemeSymbols::drawsAtMenuSize(const std::string& iconName) const {
  for (const Theme& theme : themes_) {
    std::uint8_t best = kNowhere;
    for (const Source& source : theme)
      best = std::max(best, find(source, iconName));
    if (best != kNowhere) return best == kMenuSize;
  }
  return false;
}

std::uint8_t IconThemeSymbols::find(const Source& source, const std::string& iconName) {
  if (source.cache) {
    return findInCache(std::string_view(g_mapped_file_get_contents(source.cache.get()),
                                        g_mapped_file_get_length(source.cache.get())),
                       source.cacheDirs, iconName);
  }
  std::uint8_t best = kNowhere;
  std::string path;
  for (std::size_t at = 0, end = 0; at < source.dirs.size() && best != kMenuSize; at = end + 1) {
    end = source.dirs.find('\0', at);
    path.assign(source.dirs, at + 1, end - at - 1).append("/").append(iconName);
    const std::size_t stem = path.size();
    for (const char* ext : kIconExtensions) {
      path.resize(stem);
      if (access(path.append(ext).c_str(), F_OK) == 0) {
        best = std::max(best, static_cast<std::uint8_t>(source.dirs[at] - '0'));
        break;
      }
    }
  }
  return best;
}

}  // namespace nvx::platform
