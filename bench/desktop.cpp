// The agent on a desktop as a user has it: a private dbus-daemon, a private X server (Xvfb) for
// the agent to open its display on, the icon themes Debian's desktops install (Adwaita and
// hicolor), and, in this process, a tray host that speaks StatusNotifierWatcher and fetches what
// xfce4-panel's host fetches (seen with dbus-monitor): the item's and the menu's properties at
// registration, and on registration and every LayoutUpdated the whole layout with the property
// names libdbusmenu asks for, then GetGroupProperties of the entries it got.
//   start-up: exec to the item registered and the first menu fetched by the host, its CPU, and
//             the calls naming a file (strace) until then;
//   memory:   resident and private anonymous memory with the 20-entry menu shown;
//   CPU:      per paced update of one detail and for a burst of refreshes, D-Bus signals
//             included, with where it goes per thread; the same pace with other lines, down to
//             empty ones (the hand-over alone);
//   traffic:  bytes and messages of a refresh changing one detail against a rebuild's;
//   idle:     voluntary context switches with the host connected.
#include <fcntl.h>
#include <gio/gio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Proc.h"
#include "Workload.h"
#include "platform/linux/glib/GPtr.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using nvx::GCharPtr;
using nvx::GObjectPtr;
using nvx::GVariantPtr;
using nvx::bench::Kind;
using nvx::bench::procDir;
using nvx::bench::procField;
using nvx::bench::voluntarySwitches;
using nvx::bench::Workload;

constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kMenuPath = "/MenuBar";
constexpr const char* kMenuInterface = "com.canonical.dbusmenu";
constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";
// The properties libdbusmenu (xfce4-panel's menu client) asks GetLayout for.
constexpr const char* kLayoutNames[] = {
    "type", "label", "visible", "enabled", "children-display", "accessible-desc"};

constexpr int kStartRuns = 11;
constexpr int kPaced = 200;
constexpr auto kPace = 10ms;
constexpr std::size_t kBurst = 1000;
constexpr auto kSettle = 200ms;
constexpr auto kIdle = 5s;
constexpr auto kTimeout = 30s;

// Targets.
constexpr double kMaxStartMs = 8;
constexpr double kMaxStartCpuMs = 8;
constexpr long kMaxFileProbes = 36;  // a few dozen
constexpr double kMaxRssKb = 7 * 1024;
constexpr double kMaxPssAnonKb = 1024;
constexpr double kMaxPacedUs = 150;
constexpr double kMaxBurstMs = 12;
constexpr double kMaxRefreshVersusRebuild = 0.1;
constexpr long kMaxIdleSwitches = 0;

const char* kWatcherXml = R"(<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>)";

const char* verdict(bool pass) {
  return pass ? "PASS" : "FAIL";
}

// Runs the default main context until `done` or the time-out; false on time-out. A ticking
// source (see main) keeps the blocking iterations short.
bool iterateUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kTimeout) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    g_main_context_iteration(nullptr, TRUE);
  }
  return true;
}

void pause(std::chrono::milliseconds time) {
  iterateUntil([] { return false; }, time);
}

// A dbus-daemon of its own on a socket in a temporary folder; the machine's buses stay out.
class Bus {
 public:
  Bus() {
    GError* error = nullptr;
    daemon_.reset(g_subprocess_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE, &error, "dbus-daemon",
                                   "--session", "--nofork", "--print-address=1",
                                   "--address=unix:tmpdir=/tmp", nullptr));
    if (!daemon_) {
      g_clear_error(&error);
      return;
    }
    GObjectPtr<GDataInputStream> out(
        g_data_input_stream_new(g_subprocess_get_stdout_pipe(daemon_.get())));
    GCharPtr line(g_data_input_stream_read_line(out.get(), nullptr, nullptr, nullptr));
    if (!line) return;
    address_ = line.get();
    connection_.reset(g_dbus_connection_new_for_address_sync(
        address_.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr));
  }
  ~Bus() {
    connection_.reset();
    if (!daemon_) return;
    // The kill is sent from GLib's worker thread: wait for it, or the daemon outlives us.
    g_subprocess_force_exit(daemon_.get());
    g_subprocess_wait(daemon_.get(), nullptr, nullptr);
  }

  const std::string& address() const { return address_; }
  GDBusConnection* connection() const { return connection_.get(); }

 private:
  GObjectPtr<GSubprocess> daemon_;
  std::string address_;
  GObjectPtr<GDBusConnection> connection_;
};

// A private X server (Xvfb) on a display number it chooses itself, so that the agent opens a
// display as on a desktop; stopped with the bench. Without -noreset the server would reset
// whenever its last client leaves, which a desktop's, held by its window manager and panels,
// never does: each agent started after one that exited would wait ~60 ms for the reset.
class XServer {
 public:
  XServer() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    GObjectPtr<GSubprocessLauncher> launcher(
        g_subprocess_launcher_new(static_cast<GSubprocessFlags>(
            G_SUBPROCESS_FLAGS_STDOUT_SILENCE | G_SUBPROCESS_FLAGS_STDERR_SILENCE)));
    g_subprocess_launcher_take_fd(launcher.get(), fds[1], 3);
    process_.reset(g_subprocess_launcher_spawn(launcher.get(), nullptr, "Xvfb", "-displayfd", "3",
                                               "-noreset", "-nolisten", "tcp", "-screen", "0",
                                               "640x480x24", nullptr));
    std::string number;
    char c = 0;
    while (process_ && read(fds[0], &c, 1) == 1 && c != '\n')
      number.push_back(c);
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~XServer() {
    if (!process_) return;
    g_subprocess_force_exit(process_.get());
    g_subprocess_wait(process_.get(), nullptr, nullptr);
  }

  // The display name; empty when the server did not start.
  const std::string& display() const { return display_; }

 private:
  GObjectPtr<GSubprocess> process_;
  std::string display_;
};

// The tray host: the watcher the agent registers with, and a menu client that fetches what
// xfce4-panel's does and counts what it exchanges with the agent.
class Host {
 public:
  explicit Host(GDBusConnection* bus) : bus_(bus) {
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kWatcherXml, nullptr);
    static const GDBusInterfaceVTable vtable = {&Host::onMethod, &Host::onProperty, nullptr, {}};
    object_ = g_dbus_connection_register_object(bus_, kWatcherPath, node->interfaces[0], &vtable,
                                                this, nullptr, nullptr);
    g_dbus_node_info_unref(node);
    GVariantPtr owned(g_dbus_connection_call_sync(
        bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "RequestName", g_variant_new("(su)", kWatcherName, 4u), nullptr, G_DBUS_CALL_FLAGS_NONE, -1,
        nullptr, nullptr));
    filter_ = g_dbus_connection_add_filter(bus_, &Host::onMessage, this, nullptr);
    subscription_ = g_dbus_connection_signal_subscribe(bus_, nullptr, kMenuInterface, nullptr,
                                                       kMenuPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                                       &Host::onSignal, this, nullptr);
  }
  ~Host() {
    g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    g_dbus_connection_remove_filter(bus_, filter_);
    g_dbus_connection_unregister_object(bus_, object_);
  }

  // Forgets the agent before a new one starts.
  void reset() {
    item_.clear();
    registeredAt_.reset();
    menuAt_.reset();
    layouts_ = properties_ = fetched_ = 0;
  }

  std::optional<Clock::time_point> registeredAt() const { return registeredAt_; }
  // When the host first had a layout with entries, and their properties.
  std::optional<Clock::time_point> menuAt() const { return menuAt_; }
  int layoutUpdates() const { return layouts_; }
  int propertyUpdates() const { return properties_; }
  int layoutsFetched() const { return fetched_; }

  // Fetches the whole layout and then the properties of its entries, as libdbusmenu does.
  void fetch() {
    GVariantBuilder names;
    g_variant_builder_init(&names, G_VARIANT_TYPE_STRING_ARRAY);
    for (const char* name : kLayoutNames)
      g_variant_builder_add(&names, "s", name);
    g_dbus_connection_call(bus_, item_.c_str(), kMenuPath, kMenuInterface, "GetLayout",
                           g_variant_new("(iias)", 0, -1, &names), nullptr, G_DBUS_CALL_FLAGS_NONE,
                           -1, nullptr, &Host::onLayout, this);
  }

  // Counts the messages exchanged with peers other than the bus itself (the agent is the only
  // one) from now on.
  void countTraffic() { counting_ = true; }

  // Messages and bytes counted since the last call.
  std::pair<long, long> takeTraffic() { return {messages_.exchange(0), bytes_.exchange(0)}; }

 private:
  static void onMethod(GDBusConnection*, const gchar* sender, const gchar*, const gchar*,
                       const gchar* method, GVariant*, GDBusMethodInvocation* invocation,
                       gpointer data) {
    auto* self = static_cast<Host*>(data);
    g_dbus_method_invocation_return_value(invocation, nullptr);
    if (std::string_view(method) != "RegisterStatusNotifierItem") return;
    self->registeredAt_ = Clock::now();
    self->item_ = sender;
    // What the host reads of a new item: its properties, the menu's, then the menu.
    for (const auto& [path, interface] :
         {std::pair{kItemPath, kItemInterface}, std::pair{kMenuPath, kMenuInterface}}) {
      g_dbus_connection_call(self->bus_, sender, path, kPropertiesInterface, "GetAll",
                             g_variant_new("(s)", interface), nullptr, G_DBUS_CALL_FLAGS_NONE, -1,
                             nullptr, nullptr, nullptr);
    }
    self->fetch();
  }

  static GVariant* onProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                              const gchar* name, GError**, gpointer data) {
    auto* self = static_cast<Host*>(data);
    const std::string_view property(name);
    if (property == "RegisteredStatusNotifierItems") {
      const char* items[] = {self->item_.c_str(), nullptr};
      return g_variant_new_strv(items, self->item_.empty() ? 0 : 1);
    }
    if (property == "IsStatusNotifierHostRegistered") return g_variant_new_boolean(TRUE);
    return g_variant_new_int32(0);
  }

  static void onSignal(GDBusConnection*, const gchar* sender, const gchar*, const gchar*,
                       const gchar* name, GVariant*, gpointer data) {
    auto* self = static_cast<Host*>(data);
    if (self->item_ != sender) return;
    if (std::string_view(name) == "LayoutUpdated") {
      ++self->layouts_;
      self->fetch();
    } else if (std::string_view(name) == "ItemsPropertiesUpdated") {
      // libdbusmenu takes the values from the signal itself.
      ++self->properties_;
    }
  }

  // The ids of `node` (ia{sv}av) and every entry below it.
  static void collectIds(GVariant* node, GVariantBuilder& ids, int& count) {
    std::int32_t id = 0;
    GVariantIter* children = nullptr;
    g_variant_get(node, "(i@a{sv}av)", &id, nullptr, &children);
    g_variant_builder_add(&ids, "i", id);
    ++count;
    while (GVariant* child = g_variant_iter_next_value(children)) {
      GVariantPtr inner(g_variant_get_variant(child));
      collectIds(inner.get(), ids, count);
      g_variant_unref(child);
    }
    g_variant_iter_free(children);
  }

  static void onLayout(GObject* bus, GAsyncResult* result, gpointer data) {
    auto* self = static_cast<Host*>(data);
    GVariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, nullptr));
    if (!reply || self->item_.empty()) return;  // an earlier agent's
    GVariantPtr root(g_variant_get_child_value(reply.get(), 1));
    GVariantBuilder ids;
    g_variant_builder_init(&ids, G_VARIANT_TYPE("ai"));
    int count = 0;
    collectIds(root.get(), ids, count);
    const bool entries = count > 1;
    g_dbus_connection_call(G_DBUS_CONNECTION(bus), self->item_.c_str(), kMenuPath, kMenuInterface,
                           "GetGroupProperties",
                           g_variant_new("(ai@as)", &ids, g_variant_new_strv(nullptr, 0)), nullptr,
                           G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
                           entries ? &Host::onEntries : &Host::onEmpty, self);
  }

  static void onEntries(GObject* bus, GAsyncResult* result, gpointer data) {
    auto* self = static_cast<Host*>(data);
    GVariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, nullptr));
    if (!reply) return;
    if (!self->menuAt_) self->menuAt_ = Clock::now();
    ++self->fetched_;
  }

  static void onEmpty(GObject* bus, GAsyncResult* result, gpointer data) {
    GVariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, nullptr));
    if (reply) ++static_cast<Host*>(data)->fetched_;
  }

  // Runs on GDBus's worker thread for every message in and out.
  static GDBusMessage* onMessage(GDBusConnection*, GDBusMessage* message, gboolean incoming,
                                 gpointer data) {
    auto* self = static_cast<Host*>(data);
    const char* peer =
        incoming ? g_dbus_message_get_sender(message) : g_dbus_message_get_destination(message);
    if (self->counting_ && peer && std::string_view(peer) != "org.freedesktop.DBus") {
      gsize size = 0;
      GCharPtr blob(reinterpret_cast<gchar*>(g_dbus_message_to_blob(
          message, &size, G_DBUS_CAPABILITY_FLAGS_UNIX_FD_PASSING, nullptr)));
      ++self->messages_;
      self->bytes_ += static_cast<long>(size);
    }
    return message;
  }

 private:
  GDBusConnection* bus_;
  guint object_ = 0;
  guint filter_ = 0;
  guint subscription_ = 0;
  std::string item_;
  std::optional<Clock::time_point> registeredAt_;
  std::optional<Clock::time_point> menuAt_;
  int layouts_ = 0;
  int properties_ = 0;
  int fetched_ = 0;
  std::atomic<bool> counting_ = false;
  std::atomic<long> messages_ = 0;
  std::atomic<long> bytes_ = 0;
};

// The built agent with the private bus as its session bus and the X server as its display;
// with `trace`, under strace writing the calls that name a file to that path.
class Agent {
 public:
  Agent(const Bus& bus, const std::string& display, const std::string& trace = {}) {
    GObjectPtr<GSubprocessLauncher> launcher(
        g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_STDIN_PIPE));
    g_subprocess_launcher_setenv(launcher.get(), "DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(),
                                 TRUE);
    g_subprocess_launcher_setenv(launcher.get(), "DISPLAY", display.c_str(), TRUE);
    for (const char* name :
         {"WAYLAND_DISPLAY", "NVX_DUMP_MENU", "NVX_SHOW_MENU", "NVX_HEADLESS_CONTROL_FD"})
      g_subprocess_launcher_unsetenv(launcher.get(), name);
    if (trace.empty()) {
      process_.reset(
          g_subprocess_launcher_spawn(launcher.get(), nullptr, NVX_MENUBAR_PATH, nullptr));
    } else {
      process_.reset(g_subprocess_launcher_spawn(launcher.get(), nullptr, "strace", "-f", "-qq",
                                                 "-e", "trace=%file", "-o", trace.c_str(),
                                                 NVX_MENUBAR_PATH, nullptr));
    }
    if (process_) in_ = g_subprocess_get_stdin_pipe(process_.get());
  }
  ~Agent() { stop(); }

  // Ends its input and waits for it to exit.
  void stop() {
    if (!process_ || stopped_) return;
    stopped_ = true;
    g_output_stream_close(in_, nullptr, nullptr);
    g_subprocess_wait(process_.get(), nullptr, nullptr);
  }

  bool ok() const { return process_ != nullptr; }
  pid_t pid() const {
    return static_cast<pid_t>(std::stol(g_subprocess_get_identifier(process_.get())));
  }
  bool write(std::string_view bytes) {
    return g_output_stream_write_all(in_, bytes.data(), bytes.size(), nullptr, nullptr, nullptr);
  }

 private:
  GObjectPtr<GSubprocess> process_;
  GOutputStream* in_ = nullptr;  // owned by process_
  bool stopped_ = false;
};

// CPU microseconds (schedstat) of the threads of `pid`: the main thread, and any other (the
// reader where there is one).
struct Cpu {
  double main = 0, other = 0;
  double total() const { return main + other; }
  Cpu operator-(const Cpu& o) const { return {main - o.main, other - o.other}; }
};

Cpu cpuMicroseconds(pid_t pid) {
  Cpu cpu;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator(procDir(pid) / "task", error)) {
    const double us = nvx::bench::taskCpuMicroseconds(task.path());
    (task.path().filename() == std::to_string(pid) ? cpu.main : cpu.other) += us;
  }
  return cpu;
}

void printCpu(const Cpu& cpu, double per) {
  std::printf("    main thread %.1f, other threads %.1f\n", cpu.main / per, cpu.other / per);
}

double median(std::vector<double> values) {
  if (values.empty()) return NAN;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A 20-entry menu whose entry 3 has the detail `detail` and entry 0 the id suffix `idSuffix`;
// the rest stays the same.
std::string menuWith(std::string_view detail, std::string_view idSuffix = "") {
  std::string items;
  for (int i = 0; i < nvx::bench::kEntries; ++i) {
    const std::string d = i == 3 ? std::string(detail) : std::to_string(i) + " new";
    const std::string id = nvx::bench::itemId(i) + (i == 0 ? std::string(idSuffix) : "");
    items += (i ? "," : "") +
             nvx::bench::menuEntry(i,
                                   "\"id\":\"" + id + "\",\"text\":\"Item " + std::to_string(i) +
                                       "\",\"detail\":\"" + d + "\"",
                                   "");
  }
  return R"({"menu":{"title":"3","tooltip":"Norvane","items":[)" + items + "]}}\n";
}

// One agent through every measurement after start-up; false when it misbehaves.
bool measureRunning(const Bus& bus, const std::string& display, Host& host, const Workload& refresh,
                    const Workload& rebuild) {
  host.reset();
  Agent agent(bus, display);
  if (!agent.ok() || !iterateUntil([&] { return host.registeredAt().has_value(); })) return false;
  bool ok = true;
  auto write = [&](std::string_view bytes) { ok = ok && agent.write(bytes); };
  // Writes `bytes`, whose last message rebuilds the menu, and waits for the host to have
  // fetched the new layout: every message before it has been applied by then.
  auto writeUntilRebuilt = [&](const std::function<void()>& writeAll) {
    const int fetched = host.layoutsFetched();
    writeAll();
    ok = ok && iterateUntil([&] { return host.layoutsFetched() > fetched; });
  };
  ok = iterateUntil([&] { return host.layoutsFetched() > 0; });
  // The menu shown.
  writeUntilRebuilt([&] { refresh.emit(0, 1, write); });
  if (!ok) return false;
  pause(kSettle);
  const long rss = procField(procDir(agent.pid()) / "status", "VmRSS");
  const long pssAnon = procField(procDir(agent.pid()) / "smaps_rollup", "Pss_Anon");
  std::printf(
      "memory with the 20-entry menu shown: VmRSS %ld kB (target <= %.0f) %s, "
      "Pss_Anon %ld kB (target <= %.0f) %s\n",
      rss, kMaxRssKb, verdict(rss <= kMaxRssKb), pssAnon, kMaxPssAnonKb,
      verdict(pssAnon >= 0 && pssAnon <= kMaxPssAnonKb));

  // CPU of kPaced lines, one every kPace, each written by `line(i)`; then a rebuild whose
  // layout says that all before it ran.
  auto paced = [&](const std::function<void(int)>& line, std::string_view rebuilt) {
    const Cpu before = cpuMicroseconds(agent.pid());
    auto next = Clock::now();
    for (int i = 1; i <= kPaced && ok; ++i) {
      std::this_thread::sleep_until(next += kPace);
      line(i);
      g_main_context_iteration(nullptr, FALSE);
    }
    writeUntilRebuilt([&] { write(rebuilt); });
    return cpuMicroseconds(agent.pid()) - before;
  };
  const std::string rebuilt = menuWith("0 new", ".marker");
  const std::string shown = menuWith("0 new");
  writeUntilRebuilt([&] { write(shown); });
  pause(kSettle);
  const Cpu detailCpu = paced([&](int i) { write(menuWith(std::to_string(i) + " new")); }, rebuilt);
  const double detailUs = detailCpu.total() / kPaced;
  std::printf(
      "CPU per paced update of one detail (%d, one every %lld ms): %.1f us (target <= %.0f) %s\n",
      kPaced, static_cast<long long>(kPace.count()), detailUs, kMaxPacedUs,
      verdict(ok && detailUs <= kMaxPacedUs));
  printCpu(detailCpu, kPaced);

  // The same pace with other lines: a refresh of every entry's texts; the menu as shown, which
  // changes nothing and sends no signal; and "{}", which is only reading and handing over a
  // line. The last is the floor of any line on this machine.
  writeUntilRebuilt([&] { refresh.emit(0, 1, write); });
  pause(kSettle);
  const std::pair<const char*, std::function<void(int)>> others[] = {
      {"refreshes of every entry",
       [&](int i) { refresh.emit(static_cast<std::size_t>(i), 1, write); }},
      {"the shown menu again", [&](int) { write(shown); }},
      {"empty messages", [&](int) { write("{}\n"); }},
  };
  std::vector<Cpu> otherCpu;
  for (const auto& [name, line] : others) {
    otherCpu.push_back(paced(line, rebuilt));
    std::printf("  %s at the same pace: %.1f us\n", name, otherCpu.back().total() / kPaced);
    printCpu(otherCpu.back(), kPaced);
    writeUntilRebuilt([&] { write(shown); });
    pause(kSettle);
  }
  // The first menu again (a rebuild after the marker), then a burst of refreshes of it and the
  // marker.
  writeUntilRebuilt([&] { refresh.emit(0, 1, write); });
  pause(kSettle);
  const Cpu burstStart = cpuMicroseconds(agent.pid());
  writeUntilRebuilt([&] {
    refresh.emit(1, kBurst, write);
    rebuild.emit(2, 1, write);
  });
  const Cpu burstCpu = cpuMicroseconds(agent.pid()) - burstStart;
  const double burstMs = burstCpu.total() / 1e3;
  std::printf("CPU for a burst of %zu refreshes until applied: %.1f ms (target <= %.0f) %s\n",
              kBurst, burstMs, kMaxBurstMs, verdict(ok && burstMs <= kMaxBurstMs));
  printCpu(burstCpu, 1e3);

  // Traffic: a refresh changing one detail, against a rebuild of the same menu (one id
  // changed) with the host's fetch of the new layout.
  writeUntilRebuilt([&] { write(menuWith("1 new")); });
  pause(kSettle);
  host.countTraffic();
  host.takeTraffic();
  const int properties = host.propertyUpdates();
  write(menuWith("2 new"));
  ok = ok && iterateUntil([&] { return host.propertyUpdates() > properties; });
  pause(kSettle);
  const auto [refreshMessages, refreshBytes] = host.takeTraffic();
  writeUntilRebuilt([&] { write(menuWith("2 new", ".new")); });
  pause(kSettle);
  const auto [rebuildMessages, rebuildBytes] = host.takeTraffic();
  const double ratio = static_cast<double>(refreshBytes) / static_cast<double>(rebuildBytes);
  std::printf(
      "D-Bus per update: refresh of one detail %ld messages %ld bytes, rebuild %ld "
      "messages %ld bytes, ratio %.3f (target <= %.2f) %s\n",
      refreshMessages, refreshBytes, rebuildMessages, rebuildBytes, ratio, kMaxRefreshVersusRebuild,
      verdict(ok && ratio <= kMaxRefreshVersusRebuild));

  // Idle with the host connected.
  const long switchesBefore = voluntarySwitches(agent.pid());
  pause(kIdle);
  const long switches = voluntarySwitches(agent.pid()) - switchesBefore;
  std::printf(
      "idle %lld s with the host connected: %ld voluntary context switches "
      "(target <= %ld) %s\n",
      static_cast<long long>(std::chrono::seconds(kIdle).count()), switches, kMaxIdleSwitches,
      verdict(switches <= kMaxIdleSwitches));
  return ok;
}

// Calls naming a file in an strace log (one call a line), less the dynamic loader's reading
// of the libraries; and how many of them are under an icon theme folder.
std::pair<long, long> fileProbes(const std::string& log) {
  std::ifstream in(log);
  std::string line;
  long probes = 0, icons = 0;
  while (std::getline(in, line)) {
    const auto open = line.find('"');
    const auto close = open == std::string::npos ? open : line.find('"', open + 1);
    if (close == std::string::npos) continue;
    const std::string path = line.substr(open + 1, close - open - 1);
    if (path.empty() || path.find(".so") != std::string::npos) continue;
    ++probes;
    if (path.find("/icons/") != std::string::npos) ++icons;
  }
  return {probes, icons};
}

// Starts an agent whose first menu is written at once; returns when the host has the item and
// the menu's entries, with the milliseconds from exec and the agent's CPU milliseconds by then.
std::optional<std::pair<double, double>> startOnce(const Bus& bus, const std::string& display,
                                                   Host& host, const Workload& refresh) {
  host.reset();
  const auto start = Clock::now();
  Agent agent(bus, display);
  if (!agent.ok()) return std::nullopt;
  refresh.emit(0, 1, [&](std::string_view line) { agent.write(line); });
  if (!iterateUntil([&] { return host.registeredAt() && host.menuAt(); })) return std::nullopt;
  const double cpu = cpuMicroseconds(agent.pid()).total() / 1e3;
  const auto ready = std::max(*host.registeredAt(), *host.menuAt());
  return std::pair{std::chrono::duration<double, std::milli>(ready - start).count(), cpu};
}

void reportProbes(const Bus& bus, const std::string& display, Host& host, const Workload& refresh) {
  GCharPtr strace(g_find_program_in_path("strace"));
  if (!strace) {
    std::printf("file probes at start-up: n/a (strace is not installed)\n");
    return;
  }
  const std::string log = std::filesystem::temp_directory_path() /
                          ("nvx-desktop-bench-" + std::to_string(getpid()) + ".strace");
  host.reset();
  {
    Agent agent(bus, display, log);
    if (!agent.ok()) return;
    refresh.emit(0, 1, [&](std::string_view line) { agent.write(line); });
    if (!iterateUntil([&] { return host.registeredAt() && host.menuAt(); })) {
      std::printf("file probes at start-up: n/a (the traced agent did not show its menu)\n");
      return;
    }
  }
  const auto [probes, icons] = fileProbes(log);
  std::filesystem::remove(log);
  std::printf(
      "file probes from exec to the first menu shown and exit (calls naming a file, the "
      "libraries' loading left out): %ld, %ld of them in icon themes (target <= %ld) %s\n",
      probes, icons, kMaxFileProbes, verdict(probes <= kMaxFileProbes));
}

bool iconThemesInstalled() {
  return std::filesystem::exists("/usr/share/icons/Adwaita/index.theme") &&
         std::filesystem::exists("/usr/share/icons/hicolor/index.theme");
}

}  // namespace

int main() {
  std::signal(SIGPIPE, SIG_IGN);
  Bus bus;
  if (!bus.connection()) {
    std::printf("no private bus (is dbus-daemon installed?)\n");
    return 1;
  }
  XServer x;
  if (x.display().empty()) {
    std::printf("no private X server (is Xvfb installed?)\n");
    return 1;
  }
  Host host(bus.connection());
  g_timeout_add(
      1, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  const Workload refresh("refresh stream", Kind::Refresh);
  const Workload rebuild("rebuild stream", Kind::Rebuild);
  std::string load;
  std::getline(std::ifstream("/proc/loadavg"), load);
  std::printf(
      "nvx-menubar on a private session bus and X display (%s) with a tray host; icon themes "
      "Adwaita and hicolor %s; load average %s\n",
      x.display().c_str(), iconThemesInstalled() ? "installed" : "MISSING", load.c_str());

  std::vector<double> startMs, startCpu;
  for (int run = 0; run < kStartRuns; ++run) {
    const auto once = startOnce(bus, x.display(), host, refresh);
    if (!once) break;
    startMs.push_back(once->first);
    startCpu.push_back(once->second);
  }
  const bool started = startMs.size() == kStartRuns;
  const double start = median(startMs);
  const double cpu = median(startCpu);
  std::printf(
      "exec to the item registered and the first menu fetched, median of %d: %.1f ms "
      "(target <= %.0f) %s\n",
      kStartRuns, start, kMaxStartMs, verdict(started && start <= kMaxStartMs));
  std::printf("CPU of start-up and the first menu, median: %.1f ms (target <= %.0f) %s\n", cpu,
              kMaxStartCpuMs, verdict(started && cpu <= kMaxStartCpuMs));
  reportProbes(bus, x.display(), host, refresh);
  const bool ran = started && measureRunning(bus, x.display(), host, refresh, rebuild);
  std::printf("%s\n", ran ? "done" : "the agent misbehaved");
  return ran ? 0 : 1;
}
