// The answers to tray hosts' dbusmenu calls, from the menu tree alone (no bus).
#include "platform/linux/menu/MenuCalls.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/linux/menu/DesktopMenu.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

using namespace platform;

// [1 "A", 2 separator, 3 "Off" disabled, 4 "Sub" > [5 "Deep"]], all chosen to `chosen`.
struct Tree : ActionTarget {
  MenuTree tree;
  DesktopMenu root{tree};
  std::vector<std::int32_t> chosenIds;

  Tree() {
    tree.setRoot(&root);
    root.addItem(entry("A"));
    root.addItem(std::make_unique<DesktopMenuItem>(tree, "", MenuAction::None, true));
    auto off = entry("Off");
    off->setEnabled(false);
    root.addItem(std::move(off));
    auto sub = entry("Sub");
    auto menu = std::make_unique<DesktopMenu>(tree);
    menu->addItem(entry("Deep"));
    sub->setSubmenu(std::move(menu));
    root.addItem(std::move(sub));
  }
  std::unique_ptr<DesktopMenuItem> entry(const char* title) {
    auto e = std::make_unique<DesktopMenuItem>(tree, title, MenuAction::Chosen, false);
    e->setTarget(this);
    return e;
  }
  void chosen(MenuItem& sender) override {
    chosenIds.push_back(static_cast<DesktopMenuItem&>(sender).id());
  }
  // The reply as GLib prints it, or "error: <name>".
  std::string call(const char* method, const char* args, std::int32_t* click = nullptr) {
    const GVariantPtr parameters(g_variant_ref_sink(g_variant_new_parsed(args)));
    const MenuReply reply = answerMenuCall(tree, 7, method, parameters.get());
    if (click) *click = reply.click;
    if (reply.error) return std::string("error: ") + reply.error;
    const GCharPtr text(g_variant_print(reply.parameters.get(), TRUE));
    return text.get();
  }
};

constexpr char kInvalid[] = "error: org.freedesktop.DBus.Error.InvalidArgs";

TEST(MenuCallsTest, LayoutFollowsDepthAndPropertyNames) {
  Tree t;
  EXPECT_EQ(t.call("GetLayout", "(0, 1, ['label', 'enabled', 'no-such'])"),
            "(uint32 7, (0, @a{sv} {}, [<(1, {'label': <'A'>}, @av [])>, <(2, @a{sv} {}, @av [])>, "
            "<(3, {'label': <'Off'>, 'enabled': <false>}, @av [])>, "
            "<(4, {'label': <'Sub'>}, @av [])>]))");
  EXPECT_EQ(t.call("GetLayout", "(4, -1, @as [])"),
            "(uint32 7, (4, {'label': <'Sub'>, 'children-display': <'submenu'>}, "
            "[<(5, {'label': <'Deep'>}, @av [])>]))");
  EXPECT_EQ(t.call("GetLayout", "(4, 0, ['type'])"), "(uint32 7, (4, @a{sv} {}, @av []))");
}

TEST(MenuCallsTest, GroupsAndSinglePropertiesSkipOrRefuseUnknownIds) {
  Tree t;
  EXPECT_EQ(t.call("GetGroupProperties", "([5, 99, 5, 2], ['type', 'label'])"),
            "([(2, {'type': <'separator'>}), (5, {'label': <'Deep'>})],)");
  EXPECT_EQ(t.call("GetProperty", "(3, 'enabled')"), "(<false>,)");
  EXPECT_EQ(t.call("GetProperty", "(1, 'enabled')"), "(<true>,)");
  EXPECT_EQ(t.call("AboutToShowGroup", "([0, 4, 42],)"), "(@ai [], [42])");
}

struct BadRow : Row {
  const char* method;
  const char* args;
};

class BadCallTest : public testing::TestWithParam<BadRow> {};

TEST_P(BadCallTest, GetsAnError) {
  Tree t;
  EXPECT_EQ(t.call(GetParam().method, GetParam().args), kInvalid);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadCallTest,
    testing::Values(BadRow{"DepthBelowMinusOne", "GetLayout", "(0, -2, @as [])"},
                    BadRow{"UnknownParent", "GetLayout", "(99, -1, @as [])"},
                    BadRow{"WrongTypes", "GetLayout", "('0', -1, @as [])"},
                    BadRow{"UnknownProperty", "GetProperty", "(1, 'no-such')"},
                    BadRow{"EventOnUnknownId", "Event", "(99, 'clicked', <0>, uint32 0)"},
                    BadRow{"AboutToShowUnknownId", "AboutToShow", "(-5,)"}),
    rowName);

TEST(MenuCallsTest, OnlyClicksOnEntriesThatTakeThemChooseAndOnlyOnePerMessage) {
  Tree t;
  // Event or EventGroup arguments, the reply and the entry they click: only "clicked" is a
  // click, and 3 (disabled), 2 (a separator) and 4 (a submenu parent) take none.
  const std::tuple<const char*, const char*, std::int32_t> rows[] = {
      {"(1, 'hovered', <0>, uint32 0)", "()", 0},
      {"([(99, 'clicked', <0>, uint32 0), (1, 'clicked', <0>, 0), (5, 'clicked', <0>, 0)],)",
       "([99],)", 1},
      {"([(1, 'hovered', <0>, uint32 0), (1, 'opened', <0>, 0), (1, 'closed', <0>, 0), "
       "(3, 'clicked', <0>, 0), (2, 'clicked', <0>, 0), (4, 'clicked', <0>, 0), "
       "(5, 'clicked', <0>, 0)],)",
       "(@ai [],)", 5}};
  for (const auto& [args, reply, expected] : rows) {
    std::int32_t click = -1;
    EXPECT_EQ(t.call(args[1] == '[' ? "EventGroup" : "Event", args, &click), reply);
    EXPECT_EQ(click, expected) << args;
  }
  for (std::int32_t id : {1, 2, 3, 4, 5, 0, 99})
    clickEntry(t.tree, id);
  EXPECT_EQ(t.chosenIds, (std::vector<std::int32_t>{1, 5}));
  t.tree.find(4)->setEnabled(false);  // 5 is then out of a person's reach
  EXPECT_FALSE(clickEntry(t.tree, 5));
}

}  // namespace
}  // namespace nvx::test
