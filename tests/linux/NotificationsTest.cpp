// FreedesktopNotifications against python-dbusmock's notification server on a private bus.
#include <gtest/gtest.h>

#include <optional>

#include "DesktopTest.h"
#include "platform/linux/dbus/DesktopNames.h"
#include "platform/linux/notifications/FreedesktopNotifications.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

using namespace desktop;

class NotificationsTest : public ::testing::Test, public platform::NotificationDelegate {
 protected:
  unsigned willPresentNotification() override { return 0; }
  void didReceiveNotificationResponse(std::function<void()> completion) override {
    ++responses_;
    completion();
  }

  // Asks and posts as the core does; returns the answer once every reply was handled.
  std::optional<bool> post(const std::string& body) {
    std::optional<bool> granted;
    center_.requestAuthorization(6, [&](bool ok) {
      if (ok) center_.add({"id", "Title", body, true});
      granted = ok;
    });
    spinUntil([&] { return granted.has_value(); });
    mock("GetCalls", nullptr);
    return granted;
  }

  // Calls the server's mock interface, then dispatches what the server sent before its reply.
  // Takes a floating `args`.
  std::string mock(const char* method, GVariant* args) {
    const GVariantPtr reply = bus_.call(kNotificationsName, kNotificationsPath,
                                        "org.freedesktop.DBus.Mock", method, args);
    drain();
    return reply ? GCharPtr(g_variant_print(reply.get(), FALSE)).get() : "";
  }

  // The server's ActionInvoked for note `id` with action `key`.
  void invoke(guint32 id, const char* key = kDefaultAction) {
    mock("EmitSignal", g_variant_new_parsed("(%s, %s, 'us', [<%u>, <%s>])", kNotificationsInterface,
                                            kActionInvoked, id, key));
  }

  PrivateBus bus_;
  const std::unique_ptr<platform::Bus> product_ = platform::Bus::open(bus_.address());
  platform::FreedesktopNotifications center_{*product_, "orvel"};
  std::unique_ptr<ChildProcess> server_ = bus_.startPeer(
      {kPython, "-m", "dbusmock", "--system", "-t", "notification_daemon"}, kNotificationsName);
  int responses_ = 0;
};

TEST_F(NotificationsTest, SendsTheNoteAsPlainTextWithTheDefaultActionAndSound) {
  struct Server : Row {
    const char *capabilities, *sent;
  };
  const Server rows[] = {{"Markup", "ret = ['body', 'body-markup']", "a &lt; b &amp; c"},
                         {"PlainText", "ret = ['body']", "a < b & c"}};
  for (const Server& row : rows) {
    SCOPED_TRACE(row.name);
    mock("AddMethod", g_variant_new("(sssss)", kNotificationsInterface, kGetCapabilities, "", "as",
                                    row.capabilities));
    ASSERT_EQ(post("a < b & c"), true);
    const std::string calls = mock("GetMethodCalls", g_variant_new("(s)", kNotify));
    EXPECT_EQ(calls.substr(calls.rfind("[<'Norvane'>")),
              std::string("[<'Norvane'>, <uint32 0>, <'orvel'>, <'Title'>, <'") + row.sent +
                  "'>, <['default', 'Open']>, <{'sound-name': <'message-new-instant'>}>, "
                  "<-1>])],)");
  }
  server_.reset();
  EXPECT_EQ(post("body"), false);  // without a server
}

TEST_F(NotificationsTest, OnlyTheServersActionOnOneOfOurOpenNotesIsAResponse) {
  center_.setDelegate(this);
  // Sent by another connection straight to us, on our note (else another program's), after
  // the server closed the note, the action's key, and the responses it gives.
  struct Action : Row {
    bool forged, ours, closedBefore;
    const char* key;
    int responses;
  };
  const Action rows[] = {{"ServerOnOurNote", false, true, false, kDefaultAction, 1},
                         {"ServerOnAnotherProgramsNote", false, false, false, kDefaultAction, 0},
                         {"ServerOnOurClosedNote", false, true, true, kDefaultAction, 0},
                         {"ServerWithAnActionNeverOffered", false, true, false, "inline-reply", 0},
                         {"ServerWithAnEmptyKey", false, true, false, "", 0},
                         {"ForgedByAnotherConnection", true, true, false, kDefaultAction, 0}};
  for (guint32 id = 1; const Action& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(post("body"), true);
    const int before = responses_;
    const guint32 target = row.ours ? id : 99;  // the server numbers notes from 1
    if (row.closedBefore)
      mock("EmitSignal", g_variant_new_parsed("(%s, %s, 'uu', [<%u>, <%u>])",
                                              kNotificationsInterface, kNotificationClosed, id, 2));
    if (row.forged) {
      forge(bus_, product_->uniqueName(), kNotificationsPath, kNotificationsInterface,
            kActionInvoked, g_variant_new("(us)", target, row.key));
    } else {
      invoke(target, row.key);
    }
    EXPECT_EQ(responses_ - before, row.responses);
    ++id;
  }
}

TEST_F(NotificationsTest, ANewServerKnowsNoneOfTheOldServersNotes) {
  center_.setDelegate(this);
  const platform::NameWatch server(product_->get(), kNotificationsName);
  ASSERT_EQ(post("body"), true);  // note 1, once the watch knew the server
  const std::string old = server.owner();
  // The old server gives up its name on note 2 and answers once another server has it.
  mock("AddMethod", g_variant_new("(sssss)", kNotificationsInterface, kNotify, "susssasa{sv}i", "u",
                                  "b, n = self.bus_name.get_bus(), self.bus_name.get_name()\n"
                                  "b.release_name(n)\n"
                                  "while not b.name_has_owner(n): time.sleep(0.01)\n"
                                  "ret = 2"));
  center_.add({"id", "Title", "late", true});
  const auto oldServer = std::move(server_);
  server_ = bus_.startPeer({kPython, "-m", "dbusmock", "--system", "-t", "notification_daemon"},
                           kNotificationsName);
  // The old server's late answer came before its answer to this.
  ASSERT_TRUE(bus_.call(old.c_str(), "/", "org.freedesktop.DBus.Peer", "Ping", nullptr));
  drain();
  invoke(1);
  invoke(2);
  EXPECT_EQ(responses_, 0);
  ASSERT_EQ(post("body"), true);  // the new server's note 1
  invoke(1);
  EXPECT_EQ(responses_, 1);
}

}  // namespace
}  // namespace nvx::test
