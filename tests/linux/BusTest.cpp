// The agent's own bus connection on the GLib loop, against a private dbus-daemon.
#include <gtest/gtest.h>

#include <csignal>

#include "DesktopTest.h"
#include "platform/linux/dbus/AppendText.h"
#include "platform/linux/dbus/Bus.h"
#include "platform/linux/dbus/NameWatch.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

int count(sd_bus_message*, void* counter, sd_bus_error*) {
  ++*static_cast<int*>(counter);
  return 0;
}

// The watch takes the owner only from the bus driver, a refused match leaves the connection
// open, and a closed one is not polled again.
TEST(BusTest, NameWatchFollowsTheDriverAloneAndTheLoopGoesQuietWhenTheBusGoesAway) {
  PrivateBus daemon(R"(<limit name="max_match_rules_per_connection">1</limit>)");
  const auto bus = platform::Bus::open(daemon.address());
  ASSERT_NE(bus, nullptr);
  int changes = 0;
  const platform::NameWatch watch(bus->get(), "org.example.Peer", [&] { ++changes; });
  // The bus has room for the watch's match only: this one is refused, and that is all.
  int seen = 0;
  const platform::SlotPtr refused =
      platform::addMatch(bus->get(), "type='signal',interface='org.example.T'", count, &seen);
  forge(daemon, bus->uniqueName(), "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameOwnerChanged", g_variant_new("(sss)", "org.example.Peer", "", ":1.99"));
  EXPECT_EQ(watch.owner(), "");
  EXPECT_GT(sd_bus_is_open(bus->get()), 0);
  auto peer = daemon.connect();
  g_bus_own_name_on_connection(peer.get(), "org.example.Peer", G_BUS_NAME_OWNER_FLAGS_NONE, nullptr,
                               nullptr, nullptr, nullptr);
  const std::string unique = g_dbus_connection_get_unique_name(peer.get());
  ASSERT_TRUE(spinUntil([&] { return watch.owner() == unique; }));
  EXPECT_TRUE(watch.isOwner(unique.c_str()));
  EXPECT_FALSE(watch.isOwner(bus->uniqueName()));
  g_dbus_connection_close_sync(peer.get(), nullptr, nullptr);
  EXPECT_TRUE(spinUntil([&] { return watch.owner().empty(); }));
  EXPECT_EQ(changes, 2);

  daemon.kill();
  spinUntil([] { return false; }, 100);                    // the loop takes the hang-up
  EXPECT_FALSE(g_main_context_iteration(nullptr, FALSE));  // and polls the socket no more
}

TEST(BusTest, TheLoopWakesForACallsTimeOut) {
  PrivateBus daemon;
  const auto bus = platform::Bus::open(daemon.address());
  ASSERT_STRNE(bus->uniqueName(), "");  // the bus has answered Hello
  daemon.signal(SIGSTOP);               // and answers nothing more
  sd_bus_set_method_call_timeout(bus->get(), 300'000);
  bool timedOut = false;
  sd_bus_slot* slot = nullptr;
  sd_bus_call_method_async(
      bus->get(), &slot, "org.freedesktop.DBus", "/", "org.freedesktop.DBus.Peer", "Ping",
      [](sd_bus_message* reply, void* flag, sd_bus_error*) {
        *static_cast<bool*>(flag) = sd_bus_message_is_method_error(reply, SD_BUS_ERROR_NO_REPLY);
        return 0;
      },
      &timedOut, nullptr);
  const platform::SlotPtr pending(slot);
  // Nothing but the call's own deadline wakes the loop before the guard.
  bool guard = false;
  const guint id = g_timeout_add_once(
      3000, [](gpointer flag) { *static_cast<bool*>(flag) = true; }, &guard);
  while (!timedOut && !guard)
    g_main_context_iteration(nullptr, TRUE);
  if (!guard) g_source_remove(id);
  EXPECT_TRUE(timedOut);
  EXPECT_FALSE(guard);
}

TEST(BusTest, WritesAMessageLargerThanTheSocketTakesAndBoundsEachTurn) {
  PrivateBus daemon(R"(<limit name="max_message_size">100000000</limit>)");
  const auto bus = platform::Bus::open(daemon.address());
  const std::string me = bus->uniqueName();
  // 64 MiB to a peer, far more than the socket takes: the loop writes the rest as the socket
  // drains.
  GDBusConnection* peer = daemon.connection();
  std::size_t received = 0;
  g_dbus_connection_signal_subscribe(
      peer, nullptr, "org.example.T", "Big", nullptr, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const char*, const char*, const char*, const char*, GVariant* args,
         gpointer size) {
        const GVariantPtr text(g_variant_get_child_value(args, 0));
        *static_cast<std::size_t*>(size) = g_variant_get_size(text.get());
      },
      &received, nullptr);
  sd_bus_message* signal = nullptr;
  sd_bus_message_new_signal(bus->get(), &signal, "/", "org.example.T", "Big");
  const platform::MessagePtr owned(signal);
  sd_bus_message_set_destination(signal, g_dbus_connection_get_unique_name(peer));
  const std::string big(64 << 20, 'x');
  sd_bus_message_append(signal, "s", big.c_str());
  daemon.signal(SIGSTOP);  // the bus reads nothing meanwhile
  ASSERT_GE(sd_bus_send(bus->get(), signal, nullptr), 0);
  EXPECT_TRUE(bus->backlogged());
  daemon.signal(SIGCONT);
  EXPECT_TRUE(spinUntil([&] { return received == big.size() + 1; }));
  EXPECT_FALSE(bus->backlogged());

  // 200 signals waiting on the socket: one turn of the loop takes 64 of them.
  int seen = 0;
  const platform::SlotPtr match =
      platform::addMatch(bus->get(), "type='signal',interface='org.example.Many'", count, &seen);
  forge(daemon, me.c_str(), "/", "org.example.Many", "Ping", nullptr);  // the match is in place
  seen = 0;
  for (int i = 0; i < 200; ++i) {
    g_dbus_connection_emit_signal(peer, me.c_str(), "/", "org.example.Many", "S", nullptr, nullptr);
  }
  g_dbus_connection_flush_sync(peer, nullptr, nullptr);
  g_usleep(200'000);  // the daemon passes them on
  g_main_context_iteration(nullptr, FALSE);
  EXPECT_EQ(seen, 64);
  EXPECT_TRUE(spinUntil([&] { return seen == 200; }));
}

TEST(BusTest, TextsBecomeValidStringsWithoutNul) {
  PrivateBus daemon;
  const auto bus = platform::Bus::open(daemon.address());
  struct Text : Row {
    std::string_view in;
    const char* out;
  };
  for (const Text& row :
       {Text{"Plain", "ab", "ab"}, Text{"Nul", {"a\0b", 3}, "a\uFFFDb"},
        Text{"BadByte", "a\xff", "a\uFFFD"}, Text{"Cut", "\xe2\x82", "\uFFFD\uFFFD"}}) {
    sd_bus_message* m = nullptr;
    sd_bus_message_new_signal(bus->get(), &m, "/", "org.example.T", "S");
    const platform::MessagePtr owned(m);
    ASSERT_GE(platform::appendText(m, row.in), 0) << row.name;
    sd_bus_message_seal(m, 1, 0);
    const char* read = nullptr;
    sd_bus_message_read(m, "s", &read);
    EXPECT_STREQ(read, row.out) << row.name;
  }
}

}  // namespace
}  // namespace nvx::test
