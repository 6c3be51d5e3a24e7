// The agent's own bus connection on the GLib loop, against a private dbus-daemon.
#include <gtest/gtest.h>

#include "DesktopTest.h"
#include "platform/linux/dbus/Bus.h"
#include "platform/linux/dbus/NameWatch.h"

namespace nvx::test {
namespace {

// Turns of the default context that dispatched something within `ms`.
int busyTurns(int ms) {
  int turns = 0;
  const gint64 end = g_get_monotonic_time() + gint64{ms} * 1000;
  while (g_get_monotonic_time() < end) {
    if (g_main_context_iteration(nullptr, FALSE)) ++turns;
    g_usleep(1000);
  }
  return turns;
}

TEST(BusTest, NameWatchFollowsTheOwnerAndTheLoopGoesQuietWhenTheBusGoesAway) {
  PrivateBus daemon;
  const auto bus = platform::Bus::open(daemon.address());
  ASSERT_NE(bus, nullptr);
  int changes = 0;
  const platform::NameWatch watch(bus->get(), "org.example.Peer", [&] { ++changes; });
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

  // A closed connection is not polled again: the loop sleeps instead of spinning on it.
  daemon.kill();
  busyTurns(100);
  EXPECT_EQ(busyTurns(100), 0);
}

}  // namespace
}  // namespace nvx::test
