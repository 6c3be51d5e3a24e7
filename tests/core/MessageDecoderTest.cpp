#include "nvx-menubar/MessageDecoder.h"

#include <gtest/gtest.h>

#include <string>

#include "support/Agent.h"
#include "support/Tables.h"

namespace nvx {
namespace {

using Item = StatusMenuModel::Item;
using Items = std::vector<Item>;

std::optional<Message> decode(std::string_view line) {
  return MessageDecoder().decode(line);
}

using test::menuJson;

std::string note(std::string_view fields) {
  return R"({"notify":{)" + std::string(fields) + "}}";
}

std::string menu(std::string_view fields) {
  return R"({"menu":{)" + std::string(fields) + "}}";
}

// One row per decoding step and type: the parser's own strictness is simdjson's.
TEST(MessageDecoderTest, DecodesOrDropsTheWholeLine) {
  struct Case : test::Row {
    std::string line;
    bool accepted;
  };
  const std::string empty = R"("title":"","tooltip":"","items":[])";
  for (const Case& row :
       {// An object at the top; unknown keys are ignored, but read strictly all the same.
        Case{"EmptyObject", "{}", true},
        Case{"NullMenuAndNote", R"({"menu":null,"notify":null})", true},
        Case{"CapitalisedKey", R"({"Menu":{}})", true},
        Case{"UnknownKey", R"({"other":[1,2,{"x":null}]})", true}, Case{"Array", "[]", false},
        Case{"TrailingComma", R"({"x":[1,]})", false},
        // Invalid UTF-8 is repaired, and outside a string the replacement is not JSON.
        Case{"InvalidUtf8OutsideAString", "{\xFF}", false},
        // "m\u0065nu" is "menu", once unescaped.
        Case{"EscapedMenuKey", R"({"m\u0065nu":{}})", false},
        // Notes: both strings required, empty allowed, extra keys ignored.
        Case{"NoteEmpty", note(R"("title":"","body":"")"), true},
        Case{"NoteExtraKey", note(R"("title":"A","body":"B","x":1)"), true},
        Case{"NoteNoTitle", note(R"("body":"B")"), false},
        Case{"NoteNoBody", note(R"("title":"A")"), false},
        Case{"NoteNullBody", note(R"("title":"A","body":null)"), false},
        Case{"NoteString", R"({"notify":"A"})", false},
        // Menus: title, tooltip and items required.
        Case{"MenuNoTitle", menu(R"("tooltip":"","items":[])"), false},
        Case{"MenuNoTooltip", menu(R"("title":"","items":[])"), false},
        Case{"MenuNoItems", menu(R"("title":"","tooltip":"")"), false},
        Case{"MenuNullItems", menu(R"("title":"","tooltip":"","items":null)"), false},
        Case{"MenuNullTitle", menu(R"("title":null,"tooltip":"","items":[])"), false},
        Case{"MenuNullOptionals", menu(empty + R"(,"shareText":null,"iconStyle":null)"), true},
        Case{"MenuString", R"({"menu":"x"})", false},
        // Items: strings, true/false flags, arrays of objects, at every depth.
        Case{"ItemNull", menuJson("", "null"), false},
        Case{"ItemStringBold", menuJson("", R"({"bold":"true"})"), false},
        Case{"GrandchildNumberBold", menuJson("", R"({"children":[{"children":[{"bold":2}]}]})"),
             false},
        Case{"DuplicateIdFirstBad", menuJson("", R"({"id":1,"id":"b"})"), false},
        // A valid menu does not survive an invalid note or menu after it, or a note before.
        Case{"MenuThenBadNote", R"({"menu":{)" + empty + R"(},"notify":{"title":"A"}})", false},
        Case{"BadNoteThenMenu", R"({"notify":{"title":"A"},"menu":{)" + empty + "}}", false},
        Case{"ValidMenuThenBadMenu", R"({"menu":{)" + empty + R"(},"menu":{}})", false}}) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(decode(row.line).has_value(), row.accepted) << row.line;
  }
}

// Absent, null, empty and false stay apart; keys match exactly; the last duplicate wins.
TEST(MessageDecoderTest, DecodesEachFieldOfAnEntry) {
  struct Case : test::Row {
    const char* json;
    Item expected;
  };
  const Case cases[] = {
      {"AllFields",
       R"({"id":"a","text":"A","detail":"d","icon":"bell","checked":true,"bold":false,)"
       R"("ready":true,"disabled":false,"children":[{"id":"b"},{}],"unknown":{"y":[]}})",
       {.id = "a",
        .text = "A",
        .detail = "d",
        .icon = "bell",
        .checked = true,
        .bold = false,
        .ready = true,
        .children = Items{Item{.id = "b"}, Item{}},
        .disabled = false}},
      {"AllNull",
       R"({"id":null,"text":null,"detail":null,"icon":null,"checked":null,"bold":null,)"
       R"("ready":null,"children":null,"disabled":null})",
       {}},
      {"EmptyValues",
       R"({"id":"","text":"","children":[]})",
       {.id = "", .text = "", .children = Items{}}},
      {"KeysMatchExactly", R"({"ID":"x","Text":"y","id ":"z","checked ":1})", {}},
      {"LastIdWins", R"({"id":"a","id":"b"})", {.id = "b"}},
      {"LastNullWins", R"({"id":"a","id":null})", {}},
      {"LastChildrenWin", R"({"children":[{}],"children":[]})", {.children = Items{}}},
      {"InvalidUtf8Repaired",
       "{\"id\":\"a\xFF\",\"text\":\"\xE2\x82\"}",
       {.id = "a\xEF\xBF\xBD", .text = "\xEF\xBF\xBD"}},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    auto message = decode(menuJson("", row.json));
    ASSERT_TRUE(message && message->menu && message->menu->items.size() == 1);
    EXPECT_TRUE(message->menu->items[0] == row.expected);
  }
}

// Nothing of an earlier menu carries over, not even the optional fields the last one lacks.
TEST(MessageDecoderTest, TheLastMenuOfALineWinsAndNullClearsIt) {
  auto menus = decode(
      R"({"menu":{"title":"1","tooltip":"","shareText":"s","iconStyle":"black","items":[{}]},)"
      R"("menu":{"title":"2","tooltip":"","items":[]}})");
  ASSERT_TRUE(menus && menus->menu && !menus->notify);
  EXPECT_EQ(menus->menu->title, "2");
  EXPECT_TRUE(menus->menu->items.empty());
  EXPECT_FALSE(menus->menu->shareText || menus->menu->iconStyle);
  auto cleared = decode(R"({"menu":{"title":"1","tooltip":"","items":[]},"menu":null})");
  ASSERT_TRUE(cleared);
  EXPECT_FALSE(cleared->menu);
}

// Texts stay in the line's block, or move to one of their own when the line is mostly other
// content; either way a copy of the menu keeps them alive alone.
TEST(MessageDecoderTest, MenuTextsOutliveLaterLinesAndTheDecoderAndNothingElseCarriesOver) {
  const Items items{{.id = "a\xC3\xA9", .text = "A", .children = Items{{.id = "b"}}},
                    {.id = "c", .text = ""}};
  const std::string menuFields =
      R"("menu":{"title":"T","tooltip":"tip","shareText":"s","iconStyle":"black","x":1,"items":[)"
      R"({"id":"a\u00e9","text":"A","children":[{"id":"b"}]},{"id":"c","text":""}]}})";
  std::vector<StatusMenuModel> kept;
  {
    MessageDecoder decoder;
    for (const std::string& other :
         {std::string(), R"("x":")" + std::string(300'000, 'x') + "\","}) {
      auto message = decoder.decode("{" + other + menuFields);
      ASSERT_TRUE(message && message->menu);
      kept.push_back(*message->menu);
    }
    // Later lines reuse every buffer the decoder has; a dropped line or a note alone brings no
    // menu along.
    EXPECT_FALSE(decoder.decode(menuJson("", R"({"id":"a","checked":1})")));
    ASSERT_TRUE(decoder.decode(menuJson("", R"({"id":"zzzzzzzzzzzz","text":"overwritten"})")));
    auto note = decoder.decode(R"({"notify":{"title":"x","body":"y"}})");
    ASSERT_TRUE(note && !note->menu);
  }
  for (const StatusMenuModel& menu : kept) {
    EXPECT_EQ(std::tie(menu.title, menu.tooltip, menu.shareText, menu.iconStyle),
              std::tuple("T", "tip", "s", "black"));
    EXPECT_TRUE(menu.items == items);
  }
}

// Items nest two JSON levels deep each (object, then children array).
std::string nestedItems(int depth) {
  std::string items;
  for (int i = 0; i < depth; ++i)
    items += R"({"id":"x","children":[)";
  for (int i = 0; i < depth; ++i)
    items += "]}";
  return menuJson("", items);
}

TEST(MessageDecoderTest, RejectsNestingBeyondTheDepthLimitAndWalksTheDeepestAccepted) {
  // The deepest menu that decodes: 3 levels for the message, menu and items, 2 per item.
  const int deepest = (static_cast<int>(MessageDecoder::kMaxDepth) - 3) / 2;
  EXPECT_FALSE(decode(nestedItems(deepest + 1)));
  auto message = decode(nestedItems(deepest));
  ASSERT_TRUE(message && message->menu);
  EXPECT_EQ(message->menu->items.front().shape().size(), static_cast<std::size_t>(deepest));
  const StatusMenuModel copy = *message->menu;
  EXPECT_TRUE(copy.items == message->menu->items);
}

}  // namespace
}  // namespace nvx
