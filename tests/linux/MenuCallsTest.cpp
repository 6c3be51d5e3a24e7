// The menu as tray hosts see it on a private bus: the answers to their dbusmenu calls and the
// entries those calls choose.
#include "platform/linux/menu/MenuCalls.h"

#include <gtest/gtest.h>

#include "DesktopTest.h"
#include "StatusMenu/Style.h"
#include "platform/linux/menu/DesktopMenu.h"
#include "platform/linux/menu/MenuExporter.h"
#include "support/MenuBuilder.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

using namespace platform;

// [1 "" (no text), 2 separator, 3 "Off" disabled, 4 "Sub" > [5 "Deep" checked with an icon]],
// styled by the core, all chosen to `chosen`, exported on a bus of its own.
struct Tree : ActionTarget {
  PrivateBus daemon;
  std::unique_ptr<Bus> bus = Bus::open(daemon.address());
  MenuTree tree;
  DesktopMenu root{tree};
  MenuExporter exporter{*bus, tree};
  HeadlessToolkit headless;
  std::int32_t chosenId = 0;  // the last entry chosen

  Tree() {
    tree.setRoot(&root);
    root.addItem(item(entry("a")));
    root.addItem(std::make_unique<DesktopMenuItem>(tree, "", MenuAction::None, true));
    root.addItem(item(entry("b").text("Off"), false));
    auto sub = item(entry("c").text("Sub"));
    auto menu = std::make_unique<DesktopMenu>(tree);
    menu->addItem(item(entry("d").text("Deep").icon("bell").checked()));
    sub->setSubmenu(std::move(menu));
    root.addItem(std::move(sub));
  }
  std::unique_ptr<DesktopMenuItem> item(const Item& look, bool enabled = true) {
    auto e = std::make_unique<DesktopMenuItem>(tree, "", MenuAction::Chosen, false);
    e->setTarget(this);
    e->setEnabled(enabled);
    style(*e, look, 40, headless);
    return e;
  }
  void chosen(MenuItem& e) override { chosenId = static_cast<DesktopMenuItem&>(e).id(); }
  std::string call(const char* method, const char* args) {
    return callPrinted(daemon.connection(), bus->uniqueName(), "/MenuBar", "com.canonical.dbusmenu",
                       method, args);
  }
};

// A host of another user gets its answer: the session bus has no per-method access control,
// and asking the driver who calls would cost each call a round trip.
TEST(MenuCallsTest, AnswersAHostOfAnotherUser) {
  Tree t;
  ChildProcess host({.argv = {"dbus-send", "--bus=" + t.daemon.address(), "--print-reply",
                              "--dest=" + std::string(t.bus->uniqueName()), "/MenuBar",
                              "com.canonical.dbusmenu.AboutToShow", "int32:0"},
                     .uid = 65534});
  ASSERT_TRUE(spinUntil([&] { return !host.running(); }));
  EXPECT_NE(host.out().all().find("boolean false"), std::string::npos);
}

// Layouts follow the depth and the property names asked for; groups skip unknown ids; a bad
// argument gets an error. Only "clicked" is a click, and 3 (disabled), 2 (a separator) and 4
// (a submenu parent) take none: each row gives the entry chosen last.
TEST(MenuCallsTest, AnswersEachCallAndOnlyClicksOnEntriesThatTakeThemChooseOnePerMessage) {
  Tree t;
  struct Call : Row {
    const char *method, *args, *reply;
    std::int32_t chosen = 0;
  };
  const char* invalid = "error: org.freedesktop.DBus.Error.InvalidArgs";
  const Call rows[] = {
      {"LayoutToDepthOne", "GetLayout", "(0, 1, ['label', 'enabled', 'no-such'])",
       "(uint32 1, (0, @a{sv} {}, [<(1, {'label': <''>}, @av [])>, <(2, @a{sv} {}, @av [])>, "
       "<(3, {'label': <'Off'>, 'enabled': <false>}, @av [])>, "
       "<(4, {'label': <'Sub'>}, @av [])>]))"},
      {"LayoutOfASubmenu", "GetLayout", "(4, -1, @as [])",
       "(uint32 1, (4, {'label': <'Sub'>, 'children-display': <'submenu'>}, "
       "[<(5, {'label': <'Deep'>, 'icon-name': <'bell'>, 'toggle-type': <'checkmark'>, "
       "'toggle-state': <1>}, @av [])>]))"},
      {"LayoutToDepthZero", "GetLayout", "(0, 0, ['type', 'children-display'])",
       "(uint32 1, (0, {'children-display': <'submenu'>}, @av []))"},
      {"Group", "GetGroupProperties", "([5, 99, 5, 2], ['type', 'label'])",
       "([(2, {'type': <'separator'>}), (5, {'label': <'Deep'>})],)"},
      {"Disabled", "GetProperty", "(3, 'enabled')", "(<false>,)"},
      {"Enabled", "GetProperty", "(1, 'enabled')", "(<true>,)"},
      {"AboutToShowGroup", "AboutToShowGroup", "([0, 4, 42],)", "(@ai [], [42])"},
      {"DepthBelowMinusOne", "GetLayout", "(0, -2, @as [])", invalid},
      {"UnknownParent", "GetLayout", "(99, -1, @as [])", invalid},
      {"UnknownProperty", "GetProperty", "(1, 'no-such')", invalid},
      {"EventOnUnknownId", "Event", "(99, 'clicked', <0>, uint32 0)", invalid},
      {"AboutToShowUnknownId", "AboutToShow", "(-5,)", invalid},
      {"Hover", "Event", "(1, 'hovered', <0>, uint32 0)", "()"},
      {"ClickOnDisabled", "Event", "(3, 'clicked', <0>, uint32 0)", "()"},
      {"GroupFirstTaken", "EventGroup",
       "([(99, 'clicked', <0>, uint32 0), (1, 'clicked', <0>, 0), (5, 'clicked', <0>, 0)],)",
       "([99],)", 1},
      {"GroupOnlyFifthTakes", "EventGroup",
       "([(1, 'hovered', <0>, uint32 0), (1, 'opened', <0>, 0), (1, 'closed', <0>, 0), "
       "(3, 'clicked', <0>, 0), (2, 'clicked', <0>, 0), (4, 'clicked', <0>, 0), "
       "(5, 'clicked', <0>, 0)],)",
       "(@ai [],)", 5}};
  for (const Call& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(t.call(row.method, row.args), row.reply);
    EXPECT_EQ(t.chosenId, row.chosen);
  }
  t.tree.find(4)->setEnabled(false);  // 5 is then out of a person's reach
  EXPECT_FALSE(clickEntry(t.tree, 5));
  t.tree.find(4)->submenu()->removeAllItems();
  EXPECT_EQ(t.call("Event", "(5, 'clicked', <0>, uint32 0)"), invalid);  // 5 is gone
}

// Asked to open, the menu asks hosts to show it and wants attention until told to close.
TEST(MenuCallsTest, ARequestToOpenIsSignalledAndTheNoticeEndsWithIt) {
  Tree t;
  Lines seen;
  g_dbus_connection_signal_subscribe(
      t.daemon.connection(), t.bus->uniqueName(), nullptr, nullptr, "/MenuBar", nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const char*, const char*, const char*, const char* name, GVariant* args,
         gpointer out) {
        static_cast<Lines*>(out)->push_back(name + std::string(" ") +
                                            GCharPtr(g_variant_print(args, FALSE)).get());
      },
      &seen, nullptr);
  t.call("AboutToShow", "(0,)");  // the subscription is in place
  t.exporter.requestOpen();
  t.exporter.endAttention();
  ASSERT_TRUE(spinUntil([&] { return seen.size() >= 3; }));
  EXPECT_EQ(seen,
            (Lines{"PropertiesChanged ('com.canonical.dbusmenu', {'Status': <'notice'>}, [])",
                   "ItemActivationRequested (0, 0)",
                   "PropertiesChanged ('com.canonical.dbusmenu', {'Status': <'normal'>}, [])"}));
}

}  // namespace
}  // namespace nvx::test
