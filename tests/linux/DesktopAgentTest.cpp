// The built agent on a private session bus, seen by a tray host that speaks
// StatusNotifierWatcher and dbusmenu to it, and by its parent on the pipes.
#include <gio/gio.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "DesktopTest.h"
#include "support/Agent.h"

namespace nvx::test {
namespace {

constexpr char kWatcherXml[] = R"(<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
</interface></node>)";

// A tray host on its own connection: it owns the watcher's name, records registrations and
// every signal from the item's two objects.
struct TrayHost {
  GObjectPtr<GDBusConnection> bus;
  std::unique_ptr<GDBusNodeInfo, GFree<g_dbus_node_info_unref>> node{
      g_dbus_node_info_new_for_xml(kWatcherXml, nullptr)};
  Lines registered;
  std::string itemOwner;  // the unique name of the item that registered
  Lines signalsSeen;
  guint object = 0, subscription = 0;

  static void onRegister(GDBusConnection*, const char* sender, const char*, const char*,
                         const char*, GVariant* args, GDBusMethodInvocation* call, gpointer self) {
    const char* service = nullptr;
    g_variant_get(args, "(&s)", &service);
    static_cast<TrayHost*>(self)->registered.push_back(service);
    static_cast<TrayHost*>(self)->itemOwner = sender;
    g_dbus_method_invocation_return_value(call, nullptr);
  }

  explicit TrayHost(const PrivateBus& on) : bus(on.connect()) {
    static const GDBusInterfaceVTable vtable = {onRegister, nullptr, nullptr, {}};
    object = g_dbus_connection_register_object(
        bus.get(), "/StatusNotifierWatcher", node->interfaces[0], &vtable, this, nullptr, nullptr);
    subscription = g_dbus_connection_signal_subscribe(
        bus.get(), nullptr, nullptr, nullptr, nullptr, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const char*, const char* path, const char*, const char* member,
           GVariant* args, gpointer self) {
          if (std::string(path) != "/MenuBar" && std::string(path) != "/StatusNotifierItem") return;
          const GCharPtr text(g_variant_print(args, TRUE));
          static_cast<TrayHost*>(self)->signalsSeen.push_back(std::string(member) + " " +
                                                              text.get());
        },
        this, nullptr);
    call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
         "('org.kde.StatusNotifierWatcher', uint32 4)");
  }
  // Signals still queued on the loop must not reach a host that is gone.
  ~TrayHost() {
    g_dbus_connection_signal_unsubscribe(bus.get(), subscription);
    g_dbus_connection_unregister_object(bus.get(), object);
  }

  std::string call(const std::string& to, const char* path, const char* interface,
                   const char* method, const char* args) {
    return callPrinted(bus.get(), to.c_str(), path, interface, method, args);
  }
  bool saw(const std::string& signal) const {
    return std::find(signalsSeen.begin(), signalsSeen.end(), signal) != signalsSeen.end();
  }
};

// The entries "a" (with `detail`, checked or not), a separator, "b" (disabled or not) and "s"
// with an entry without text below.
std::string items(const std::string& detail, bool checked, bool disabled = false) {
  return R"({"id":"a","text":"A_1","detail":")" + detail +
         (checked ? R"(","checked":true)" : "\"") + R"(},{},{"id":"b","text":"B")" +
         (disabled ? R"(,"disabled":true)" : "") +
         R"(},{"id":"s","text":"S","children":[{"id":"c"}]})";
}

// The built agent on `address`, dumping each menu it applies on its stderr unless told not to.
ChildProcess::Options agentOn(const std::string& address, bool dump = true) {
  Env env{{"DBUS_SESSION_BUS_ADDRESS", address}};
  if (dump) env["NVX_DUMP_MENU"] = "1";
  return agentOptions(std::move(env));
}

// The agent on a private bus with `limits`, and a tray host.
struct Session {
  explicit Session(const std::string& limits = "", bool dump = true)
      : bus(limits), agent(agentOn(bus.address(), dump)) {}
  PrivateBus bus;
  std::unique_ptr<TrayHost> host = std::make_unique<TrayHost>(bus);
  ChildProcess agent;
  std::string item = "org.kde.StatusNotifierItem-" + std::to_string(agent.pid()) + "-1";

  // Sends a menu and waits until the agent has applied it (its dump has come).
  Lines apply(const std::string& title, const std::string& items, std::size_t entries = 4,
              const std::string& more = "") {
    agent.write(menuJson(title, items, more) + "\n");
    return agent.err().lines(entries + 1, 10s);
  }
  std::string menuCall(const char* method, const char* args) {
    return host->call(item, "/MenuBar", "com.canonical.dbusmenu", method, args);
  }
  // The signals since the last time, once AboutToShow has published what is pending (it does
  // so before it answers).
  Lines published() {
    menuCall("AboutToShow", "(0,)");
    return std::exchange(host->signalsSeen, {});
  }
};

class DesktopAgentTest : public testing::Test, public Session {};

TEST_F(DesktopAgentTest, RegistersShowsTheMenuReportsClicksAndRegistersAgainWithANewHost) {
  ASSERT_TRUE(spinUntil([&] { return host->registered == Lines{"/StatusNotifierItem"}; }));
  // With no X display to grab keys on, Xlib is not even loaded.
  std::stringstream maps;
  maps << std::ifstream("/proc/" + std::to_string(agent.pid()) + "/maps").rdbuf();
  EXPECT_EQ(maps.str().find("libX11"), std::string::npos);
  const Lines dump = apply("2", items("1 new", true, true));
  EXPECT_EQ(dump, (Lines{"bar: [orvel] 2", "(NO ICON) [x] A_1  |  1 new", "---", "(NO ICON) B",
                         "(NO ICON) S"}));

  const std::string props =
      host->call(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "GetAll",
                 "('org.kde.StatusNotifierItem',)");
  for (const char* expected :
       {"'Id': <'nvx-menubar'>", "'Category': <'ApplicationStatus'>", "'Status': <'Active'>",
        "'Title': <'Norvane 2'>", "'IconName': <'orvel'>", "'ItemIsMenu': <true>",
        "'Menu': <objectpath '/MenuBar'>", "'XAyatanaLabel': <'2'>", "<[(16, 16, [byte 0x"}) {
    EXPECT_NE(props.find(expected), std::string::npos) << expected;
  }
  // Hosts that call Activate on a left click open the menu on this error.
  EXPECT_EQ(
      host->call(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", "(0, 0)"),
      "error: org.freedesktop.DBus.Error.UnknownMethod");
  for (const char* id : {"3", "4", "2", "1", "5"}) {
    menuCall("Event", (std::string("(") + id + ", 'clicked', <0>, uint32 0)").c_str());
  }
  EXPECT_EQ(agent.out().lines(2, 10s), (Lines{"a", "c"}));

  // A watcher that drops the live item (as GNOME's does when it fails to take it) gets it again.
  g_dbus_connection_emit_signal(
      host->bus.get(), nullptr, "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
      "StatusNotifierItemUnregistered",
      g_variant_new("(s)", (host->itemOwner + "@/StatusNotifierItem").c_str()), nullptr);
  ASSERT_TRUE(spinUntil([&] { return host->registered.size() == 2; }));

  // A tray host that restarts gets the item again.
  host.reset();
  host = std::make_unique<TrayHost>(bus);
  ASSERT_TRUE(spinUntil([&] { return host->registered == Lines{"/StatusNotifierItem"}; }));
}

TEST_F(DesktopAgentTest, RefreshSendsOnlyChangedPropertiesAndRebuildOneLayoutUpdate) {
  apply("2", items("1 new", true, true));
  // The item's own signals follow an update on the agent's idle loop, after its dump.
  ASSERT_TRUE(spinUntil([&] { return host->saw("XAyatanaNewLabel ('2', '2')"); }));
  const std::uint32_t revision = std::stoul(menuCall("GetLayout", "(0, 0, @as [])").substr(8));
  // No host had fetched start-up's empty menu: it was never announced.
  EXPECT_FALSE(host->saw("LayoutUpdated (uint32 1, 0)"));
  host->signalsSeen.clear();

  // Qt hosts flip a check themselves on a click: they are told the state again.
  menuCall("Event", "(1, 'clicked', <0>, uint32 0)");
  EXPECT_EQ(published(),
            Lines{"ItemsPropertiesUpdated ([(1, {'toggle-state': <1>})], @a(ias) [])"});
  apply("2", items("2 new", true));
  EXPECT_EQ(published(), Lines{"ItemsPropertiesUpdated ([(1, {'label': <'A__1\\t2 new'>})], "
                               "[(3, ['enabled'])])"});

  // An entry that loses its check mark is a new entry: Qt hosts keep an entry's tick for as
  // long as they know its id.
  apply("2", items("2 new", false));
  EXPECT_EQ(published(), Lines{"LayoutUpdated (uint32 " + std::to_string(revision + 1) + ", 0)"});
  EXPECT_EQ(menuCall("GetLayout", "(0, 1, ['type', 'label', 'toggle-type'])"),
            "(uint32 " + std::to_string(revision + 1) +
                ", (0, @a{sv} {}, [<(6, {'label': <'A__1\\t2 new'>}, @av [])>, "
                "<(2, {'type': <'separator'>}, @av [])>, <(3, {'label': <'B'>}, @av [])>, "
                "<(4, {'label': <'S'>}, @av [])>]))");

  // The "black" style: the picture's symbolic form, by name; the same again, a new copy of the
  // same picture: nothing to send.
  const auto iconName = [&] {
    return host->call(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                      "('org.kde.StatusNotifierItem', 'IconName')");
  };
  apply("2", items("2 new", false), 4, R"(,"iconStyle":"black")");
  EXPECT_TRUE(spinUntil([&] { return host->saw("NewIcon ()"); }));
  EXPECT_EQ(iconName(), "(<'orvel-symbolic'>,)");
  apply("2", items("2 new", false), 4, R"(,"iconStyle":"black")");
  EXPECT_EQ(published(), Lines{"NewIcon ()"});

  apply("3", R"({"id":"a","text":"A"})", 1);
  // The item's signals come on the agent's idle loop, the menu's with AboutToShow.
  spinUntil([&] { return host->saw("XAyatanaNewLabel ('3', '3')"); });
  EXPECT_THAT(published(), testing::UnorderedElementsAre(
                               "NewTitle ()", "NewIcon ()", "XAyatanaNewLabel ('3', '3')",
                               "LayoutUpdated (uint32 " + std::to_string(revision + 2) + ", 0)"));
  EXPECT_EQ(iconName(), "(<'orvel'>,)");
}

// What a peer or the bus itself does that the agent must outlive with its input going on.
// A bus that takes the connection and never answers holds up neither the input nor the exit.
TEST(DesktopAgentBusTest, ASilentBusHoldsUpNothing) {
  PrivateBus bus;
  bus.signal(SIGSTOP);  // connections wait in its socket's backlog, never accepted
  ChildProcess agent(agentOn(bus.address()));
  agent.write(menuJson("2", R"({"id":"a","text":"A"})") + "\n");
  EXPECT_EQ(agent.err().lines(2, 10s), (Lines{"bar: [orvel] 2", "(NO ICON) A"}));
  agent.closeStdin();
  EXPECT_EQ(agent.wait(5s), 0);
}

// A frozen bus: the agent's changes wait and coalesce instead of queueing one signal each, and
// the end of input ends the agent all the same.
TEST(DesktopAgentBusTest, AFrozenBusGetsTheLatestStateOnceAndHoldsUpNoExit) {
  Session s("", false);
  // Half a megabyte a refresh: sixteen fill what the socket takes.
  const auto line = [](int n) {
    return menuJson("2", R"({"id":"a","text":"A","detail":")" + std::to_string(n) +
                             std::string(500'000, 'x') + R"("})") +
           "\n";
  };
  // The last signal is the update of refresh `n` (a new detail changes nothing else).
  const auto shows = [&](int n) {
    const Lines& seen = s.host->signalsSeen;
    return !seen.empty() &&
           seen.back().find("\\t" + std::to_string(n) + "xxx") != std::string::npos;
  };
  s.agent.write(line(0));
  // Applied: the label follows; the next line is a refresh, not part of the first build.
  ASSERT_TRUE(spinUntil([&] { return s.host->saw("XAyatanaNewLabel ('2', '2')"); }));
  s.agent.write(line(1));
  ASSERT_TRUE(spinUntil([&] { return shows(1); }));
  s.host->signalsSeen.clear();

  s.bus.signal(SIGSTOP);
  for (int n = 2; n <= 100; ++n)
    s.agent.write(line(n));
  g_usleep(500'000);  // the agent applies them meanwhile
  s.bus.signal(SIGCONT);
  EXPECT_TRUE(spinUntil([&] { return shows(100); }, 20'000));
  EXPECT_LT(s.host->signalsSeen.size(), 60u);  // one each: 99; waiting, 20 to 40 here

  // Paced, so that each goes out and the socket fills.
  s.bus.signal(SIGSTOP);
  for (int n = 101; n <= 160; ++n) {
    s.agent.write(line(n));
    g_usleep(20'000);
  }
  s.agent.closeStdin();
  EXPECT_EQ(s.agent.wait(5s), 0);
  s.bus.signal(SIGCONT);
}

// A peer's message over the size sd-bus reads ends that connection, not the item: the agent
// connects again, and hosts find the item and its menu on the new connection.
TEST(DesktopAgentBusTest, AMessageTooLargeToReadCostsOneNewConnection) {
  Session s(R"(<limit name="max_message_size">134217728</limit>)");
  s.apply("2", R"({"id":"a","text":"A"})", 1);
  ASSERT_TRUE(spinUntil([&] { return !s.host->registered.empty(); }));
  const std::string first = s.host->itemOwner;

  // The largest signal the bus takes; with the sender's name that it adds, it is over the limit.
  const GObjectPtr<GDBusMessage> big(
      g_dbus_message_new_signal("/StatusNotifierItem", "org.example.Big", "Big"));
  g_dbus_message_set_destination(big.get(), first.c_str());
  g_dbus_message_set_body(big.get(), g_variant_new("(s)", ""));
  gsize empty = 0;  // its size with an empty text
  g_free(g_dbus_message_to_blob(big.get(), &empty, G_DBUS_CAPABILITY_FLAGS_NONE, nullptr));
  GVariant* text = g_variant_new_take_string(g_strnfill((std::size_t{128} << 20) - 8 - empty, 'x'));
  g_dbus_message_set_body(big.get(), g_variant_new_tuple(&text, 1));
  g_dbus_connection_send_message(s.host->bus.get(), big.get(), G_DBUS_SEND_MESSAGE_FLAGS_NONE,
                                 nullptr, nullptr);
  ASSERT_TRUE(spinUntil([&] { return s.host->registered.size() == 2; }, 20'000));
  EXPECT_NE(s.host->itemOwner, first);
  s.apply("3", R"({"id":"b","text":"B"})", 1);
  EXPECT_TRUE(spinUntil([&] {
    return s.menuCall("GetLayout", "(0, -1, ['label'])").find("'label': <'B'>") !=
           std::string::npos;
  }));
  EXPECT_EQ(s.agent.finish().status, 0);
}

}  // namespace
}  // namespace nvx::test
