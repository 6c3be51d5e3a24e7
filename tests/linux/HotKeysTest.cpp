// The hot keys on an Xvfb of their own driven by xdotool, and through a fake desktop portal
// on a private bus.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <csignal>

#include "DesktopTest.h"
#include "platform/headless/HeadlessHotKeys.h"
#include "platform/linux/dbus/Bus.h"
#include "platform/linux/dbus/DesktopNames.h"
#include "platform/linux/hotkeys/PortalHotKeys.h"
#include "platform/linux/hotkeys/X11HotKeys.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

using namespace platform;
using namespace desktop;

// What the core registers: the L position with control and option.
constexpr std::uint32_t kKeyL = 37;
constexpr std::uint32_t kControlOption = 0x1800;
constexpr HotKeyId kId{0x4E565843, 1};

TEST(X11HotKeysTest, EachPressOfControlAltAtThePositionOfLIsOneCallAndATakenKeyIsRefused) {
  // An X server of its own on a free display number. It does not reset when its last client
  // leaves, which would also undo a changed keymap.
  ChildProcess xvfb({.argv = {"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-noreset"}});
  const std::string display = ":" + xvfb.out().line();
  // xdotool's commands with key names, or Xvfb's keycodes: 46 at L's position, 57 at N's. Before
  // the last two rows l and n change places, as in a layout with another letter at L.
  struct Press : Row {
    std::string keys;
    int expected;
  };
  const Press rows[] = {
      {"Once", "key ctrl+alt+l", 1},
      {"ThreeTimes", "key ctrl+alt+l ctrl+alt+l ctrl+alt+l", 3},
      {"Held", "keydown ctrl+alt+l sleep 1 keyup ctrl+alt+l", 1},  // held until it repeats
      {"Shift", "key ctrl+shift+l", 0},
      {"ExtraShift", "key ctrl+alt+shift+l", 0},
      {"NumLock", "key Num_Lock ctrl+alt+l Num_Lock", 1},
      {"CapsLock", "key Caps_Lock ctrl+alt+l Caps_Lock", 1},
      {"AtLsPosition", "key ctrl+alt+46", 1},
      {"LetterL", "key ctrl+alt+57", 0}};
  for (const Press& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.keys == "key ctrl+alt+46") {
      const std::unique_ptr<Display, GFree<XCloseDisplay>> d(XOpenDisplay(display.c_str()));
      KeySym atL[] = {XK_n, XK_N}, atN[] = {XK_l, XK_L};
      XChangeKeyboardMapping(d.get(), 46, 2, atL, 1);
      XChangeKeyboardMapping(d.get(), 57, 2, atN, 1);
    }
    X11HotKeys hotKeys(display.c_str());
    int presses = 0;
    hotKeys.installHandler([&] { ++presses; });
    const auto registration = hotKeys.registerHotKey(kKeyL, kControlOption, kId);
    ASSERT_TRUE(registration);
    ChildProcess({.argv = {"sh", "-c", "xdotool " + row.keys}, .env = {{"DISPLAY", display}}})
        .finish();
    // The server sent our events before it answered xdotool's last request: once the
    // connection is drained, every press has been seen.
    spinUntil([&] { return presses >= row.expected; });
    drain();
    EXPECT_EQ(presses, row.expected) << row.keys;
  }
  // Another client holds the key; then the server goes away, which the process survives.
  X11HotKeys first(display.c_str()), second(display.c_str());
  auto held = first.registerHotKey(kKeyL, kControlOption, kId);
  EXPECT_TRUE(held);
  EXPECT_FALSE(second.registerHotKey(kKeyL, kControlOption, kId));
  // The key is given up without waiting, even for a server another client holds (a hang here).
  std::unique_ptr<Display, GFree<XCloseDisplay>> holder(XOpenDisplay(display.c_str()));
  XGrabServer(holder.get());
  XSync(holder.get(), False);
  held.reset();
  holder.reset();
  xvfb.signal(SIGKILL);
  xvfb.wait();
  EXPECT_FALSE(second.registerHotKey(kKeyL, kControlOption, kId));
}

// Calls the fake portal's test interface; its text answer, "" without one.
std::string fake(const PrivateBus& bus, const char* method, GVariant* args) {
  const GVariantPtr reply =
      bus.call(kPortalName, kPortalPath, "org.nvx.FakePortal", method, args, "(s)");
  const gchar* text = "";
  if (reply) g_variant_get(reply.get(), "(&s)", &text);
  return text;
}

// The first text the fake portal answers to `method` with `args` (GVariant text, may be null)
// within `ms`, with what came before dispatched; "" when none comes. Press answers
// "<session path> <shortcuts>" once bound, Held the path of the oldest request it holds.
std::string firstAnswer(const PrivateBus& bus, const char* method, const char* args,
                        int ms = 5000) {
  std::string text;
  const auto call = [&] { return fake(bus, method, args ? g_variant_new_parsed(args) : nullptr); };
  spinUntil([&] { return !(text = call()).empty(); }, ms);
  drain();
  return text;
}

// The fallback of a session with the portal: taking it fails the test.
std::unique_ptr<HotKeys> unexpectedFallback() {
  ADD_FAILURE() << "the fallback is for a session without the portal";
  return std::make_unique<HeadlessHotKeys>();
}

// The key registered through the portal on `bus`, presses counted.
struct PortalKey {
  std::unique_ptr<Bus> product;
  PortalHotKeys keys;
  int presses = 0;
  std::unique_ptr<HotKeyRegistration> registration;
  explicit PortalKey(const PrivateBus& bus, PortalHotKeys::Fallback fallback = unexpectedFallback)
      : product(Bus::open(bus.address())), keys(*product, std::move(fallback)) {
    keys.installHandler([this] { ++presses; });
    registration = keys.registerHotKey(kKeyL, kControlOption, kId);
  }
};

// Offered in CreateSession, bound by BindShortcuts where the session does not hold it yet.
struct PortalKind : Row {
  const char* mode;
};
const PortalKind kPortalKinds[] = {{"BindsLater", ""}, {"BindsAtCreation", "--plasma"}};

TEST(PortalHotKeysTest, BindsThePreferredTriggerAndCountsOnlyThePortalsActivations) {
  for (const PortalKind& row : kPortalKinds) {
    SCOPED_TRACE(row.name);
    PrivateBus bus;
    auto portal = bus.startPeer({kPython, NVX_FAKE_PORTAL, row.mode}, kPortalName);
    PortalKey key(bus);
    const std::string bound = firstAnswer(bus, "Press", "('',)");
    const std::string session = bound.substr(0, bound.find(' '));
    EXPECT_EQ(bound.substr(session.size()),
              " [('NVXC-1', {'description': <'Norvane hot key'>, "
              "'preferred_trigger': <'CTRL+ALT+l'>})]");
    EXPECT_EQ(key.presses, 1);
    forge(bus, key.product->uniqueName(), kPortalPath, kGlobalShortcutsInterface, kActivated,
          g_variant_new_parsed("(%o, 'NVXC-1', @t 0, @a{sv} {})", session.c_str()));
    EXPECT_EQ(key.presses, 1);
    // A restarted portal: bound again, under the same name, which Plasma shows as the
    // application's.
    portal.reset();
    portal = bus.startPeer({kPython, NVX_FAKE_PORTAL, row.mode}, kPortalName);
    EXPECT_EQ(firstAnswer(bus, "Press", "('',)"), bound);
    EXPECT_TRUE(session.ends_with("/Norvane")) << session;
    EXPECT_EQ(key.presses, 2);
  }
}

// Only the portal's own Response on the request's path counts; a refusal leaves the key unbound
// without the fallback and without asking again.
TEST(PortalHotKeysTest, TakesOnlyThePortalsResponseOnTheRequestsPath) {
  enum Intruder { Nobody, Forger, OtherPath };  // a success answered first to CreateSession
  struct Answers : Row {
    unsigned create, bind;  // the portal's response codes
    Intruder intruder;
    bool bound;
  };
  const Answers rows[] = {
      {"ForgedFirst", 0, 0, Forger, true},      {"OtherPathThenFailure", 2, 0, OtherPath, false},
      {"CreateCancelled", 1, 0, Nobody, false}, {"CreateFailed", 2, 0, Nobody, false},
      {"BindCancelled", 0, 1, Nobody, false},   {"BindFailed", 0, 2, Nobody, false},
  };
  for (const Answers& row : rows) {
    SCOPED_TRACE(row.name);
    PrivateBus bus;
    const auto portal = bus.startPeer({kPython, NVX_FAKE_PORTAL, "--hold"}, kPortalName);
    PortalKey key(bus);
    const std::string created = firstAnswer(bus, "Held", nullptr);
    if (row.intruder == Forger) {
      forge(bus, key.product->uniqueName(), created.c_str(), kRequestInterface, kResponse,
            g_variant_new_parsed("(@u 0, {'session_handle': <'/org/nvx/Forged'>})"));
    } else if (row.intruder == OtherPath) {
      const std::string other = created.substr(0, created.rfind('/')) + "/other";
      fake(bus, "Answer", g_variant_new("(us)", 0, other.c_str()));
    }
    fake(bus, "Answer", g_variant_new("(us)", row.create, ""));
    if (row.create == 0 && !firstAnswer(bus, "Held", nullptr).empty())  // BindShortcuts has come
      fake(bus, "Answer", g_variant_new("(us)", row.bind, ""));
    // A round trip to the agent: it has handled the answers and sent what follows them.
    forge(bus, key.product->uniqueName(), "/", "org.nvx.Test", "Settle", nullptr);
    EXPECT_EQ(fake(bus, "Held", nullptr), "");  // nothing asked again
    const std::string bound = firstAnswer(bus, "Press", "('',)", row.bound ? 5000 : 0);
    EXPECT_EQ(bound.rfind(std::string(kPortalPath) + "/session/", 0) == 0, row.bound) << bound;
    EXPECT_EQ(key.presses, row.bound ? 1 : 0);
  }
}

// A portal that goes away before its Response to CreateSession, or without answering the call
// at all, is asked again by the next owner of its name.
TEST(PortalHotKeysTest, APortalGoneInTheFirstHandshakeIsAskedAgain) {
  struct Gone : Row {
    const char* mode;
  };
  const Gone rows[] = {{"BeforeItsResponse", "--hold"}, {"WithoutAnswering", "--silent"}};
  for (const Gone& row : rows) {
    SCOPED_TRACE(row.name);
    PrivateBus bus;
    auto portal = bus.startPeer({kPython, NVX_FAKE_PORTAL, row.mode}, kPortalName);
    PortalKey key(bus);
    firstAnswer(bus, "Held", nullptr);  // CreateSession has come
    portal.reset();
    portal = bus.startPeer({kPython, NVX_FAKE_PORTAL}, kPortalName);
    EXPECT_NE(firstAnswer(bus, "Press", "('',)"), "");
    EXPECT_EQ(key.presses, 1);
  }
}

// Without a portal on the bus (as on desktops older than global shortcuts) the key goes to the
// fallback, the X grab in a Wayland session.
TEST(PortalHotKeysTest, WithoutThePortalTheKeyGoesToTheFallback) {
  PrivateBus bus;
  HeadlessHotKeys* fallback = nullptr;
  PortalKey portal(bus, [&] {
    auto made = std::make_unique<HeadlessHotKeys>();
    fallback = made.get();
    return made;
  });
  ASSERT_TRUE(spinUntil([&] { return fallback && !fallback->registrations().empty(); }));
  const auto& key = fallback->registrations()[0];
  EXPECT_EQ(std::tie(key.keyCode, key.modifiers, key.id.id), std::tuple(kKeyL, kControlOption, 1u));
  fallback->press();
  EXPECT_EQ(portal.presses, 1);
}

}  // namespace
}  // namespace nvx::test
