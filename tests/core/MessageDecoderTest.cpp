#include "nvx-menubar/MessageDecoder.h"

#include <gtest/gtest.h>

#include <string>

#include "support/Tables.h"

namespace nvx {
namespace {

using Item = StatusMenuModel::Item;
using Items = std::vector<Item>;

std::optional<Message> decode(std::string_view line) {
  return MessageDecoder().decode(line);
}

std::string menuWithItems(std::string_view items) {
  return R"({"menu":{"title":"t","tooltip":"tip","items":[)" + std::string(items) + "]}}";
}

std::string note(std::string_view fields) {
  return R"({"notify":{)" + std::string(fields) + "}}";
}

std::string menu(std::string_view fields) {
  return R"({"menu":{)" + std::string(fields) + "}}";
}

TEST(MessageDecoderTest, DecodesOrDropsTheWholeLine) {
  struct C : test::Row {
    std::string line;
    bool accepted;
  };
  const std::string empty = R"("title":"","tooltip":"","items":[])";
  for (const C& row :
       {// An object at the top and nothing after it; unknown keys are ignored.
        C{"EmptyObject", "{}", true}, C{"NullMenuAndNote", R"({"menu":null,"notify":null})", true},
        C{"CapitalisedKey", R"({"Menu":{}})", true},
        C{"UnknownKey", R"({"other":[1,2,{"x":null}]})", true}, C{"Spaces", "  {}  ", true},
        C{"Array", "[]", false}, C{"Null", "null", false}, C{"Empty", "", false},
        C{"NotJson", "not json", false}, C{"Trailing", "{} x", false},
        // JSON is read strictly also under ignored keys.
        C{"TrailingComma", R"({"x":[1,]})", false}, C{"BadLiteral", R"({"x":tru})", false},
        C{"RawTab", "{\"x\":\"a\tb\"}", false}, C{"LoneSurrogate", R"({"x":"\ud800"})", false},
        // Keys match after unescaping: "m\u0065nu" is "menu".
        C{"EscapedMenuKey", R"({"m\u0065nu":{}})", false},
        C{"EscapedMenuNull", R"({"m\u0065nu":null})", true},
        C{"EscapedNotifyKey", R"({"n\u006ftify":{"title":"A"}})", false},
        // Notes: both strings required, empty allowed, extra keys ignored.
        C{"NoteEmpty", note(R"("title":"","body":"")"), true},
        C{"NoteExtraKey", note(R"("title":"A","body":"B","x":1)"), true},
        C{"NoteNoBody", note(R"("title":"A")"), false},
        C{"NoteNullBody", note(R"("title":"A","body":null)"), false},
        C{"NoteNumberTitle", note(R"("title":1,"body":"x")"), false},
        C{"NoteArrayBody", note(R"("title":"A","body":["B"])"), false},
        C{"NoteString", R"({"notify":"A"})", false}, C{"NoteArray", R"({"notify":[]})", false},
        // Menus: title, tooltip and items required.
        C{"MenuEmpty", menu(""), false}, C{"MenuMinimal", menu(empty), true},
        C{"MenuNoTooltip", menu(R"("title":"","items":[])"), false},
        C{"MenuNullItems", menu(R"("title":"","tooltip":"","items":null)"), false},
        C{"MenuNullTitle", menu(R"("title":null,"tooltip":"","items":[])"), false},
        C{"MenuNumberTitle", menu(R"("title":1,"tooltip":"","items":[])"), false},
        C{"MenuObjectItems", menu(R"("title":"","tooltip":"","items":{})"), false},
        C{"MenuNullOptionals", menu(empty + R"(,"shareText":null,"iconStyle":null)"), true},
        C{"MenuNumberShareText", menu(empty + R"(,"shareText":1)"), false},
        C{"MenuFalseIconStyle", menu(empty + R"(,"iconStyle":false)"), false},
        C{"MenuArray", R"({"menu":[]})", false}, C{"MenuString", R"({"menu":"x"})", false},
        // Items: strings, true/false flags, arrays of objects, at every depth.
        C{"ItemEmpty", menuWithItems("{}"), true}, C{"ItemNull", menuWithItems("null"), false},
        C{"ItemString", menuWithItems(R"("a")"), false},
        C{"ItemNumberChecked", menuWithItems(R"({"checked":1})"), false},
        C{"ItemStringBold", menuWithItems(R"({"bold":"true"})"), false},
        C{"ItemNumberReady", menuWithItems(R"({"ready":0})"), false},
        C{"ItemArrayDisabled", menuWithItems(R"({"disabled":[]})"), false},
        C{"ItemNumberId", menuWithItems(R"({"id":5})"), false},
        C{"ItemObjectIcon", menuWithItems(R"({"icon":{}})"), false},
        C{"ItemObjectChildren", menuWithItems(R"({"children":{}})"), false},
        C{"ChildNull", menuWithItems(R"({"children":[{},null]})"), false},
        C{"GrandchildNumberBold", menuWithItems(R"({"children":[{"children":[{"bold":2}]}]})"),
          false},
        C{"DuplicateIdFirstBad", menuWithItems(R"({"id":1,"id":"b"})"), false},
        C{"DuplicateIdLastBad", menuWithItems(R"({"id":"a","id":1})"), false},
        // A valid menu does not survive an invalid note, whatever the order.
        C{"MenuThenBadNote", R"({"menu":{)" + empty + R"(},"notify":{"title":"A"}})", false},
        C{"BadNoteThenMenu", R"({"notify":{"title":"A"},"menu":{)" + empty + "}}", false},
        C{"NoteThenBadMenu", R"({"notify":{"title":"A","body":"B"},"menu":{}})", false},
        C{"ValidMenuThenBadMenu", R"({"menu":{"title":"1","tooltip":"","items":[]},"menu":{}})",
          false}}) {
    EXPECT_EQ(decode(row.line).has_value(), row.accepted) << row.name << ": " << row.line;
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
      {"CheckedFalse", R"({"checked":false})", {.checked = false}},
      {"KeysMatchExactly", R"({"ID":"x","Text":"y","id ":"z","checked ":1})", {}},
      {"EscapedKeys",
       R"({"\u0069d":"a","t\u0065xt":"\u0041","ch\u0065cked":true})",
       {.id = "a", .text = "A", .checked = true}},
      {"LastIdWins", R"({"id":"a","id":"b"})", {.id = "b"}},
      {"LastNullWins", R"({"id":"a","id":null})", {}},
      {"LastChildrenWin", R"({"children":[{}],"children":[]})", {.children = Items{}}},
  };
  for (const Case& row : cases) {
    auto message = decode(menuWithItems(row.json));
    ASSERT_TRUE(message && message->menu && message->menu->items.size() == 1) << row.name;
    EXPECT_TRUE(message->menu->items[0] == row.expected) << row.name;
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
    EXPECT_FALSE(decoder.decode(menuWithItems(R"({"id":"a","checked":1})")));
    ASSERT_TRUE(decoder.decode(menuWithItems(R"({"id":"zzzzzzzzzzzz","text":"overwritten"})")));
    auto note = decoder.decode(R"({"notify":{"title":"x","body":"y"}})");
    ASSERT_TRUE(note && !note->menu);
  }
  for (const StatusMenuModel& menu : kept) {
    EXPECT_EQ(menu.title, "T");
    EXPECT_EQ(menu.tooltip, "tip");
    EXPECT_EQ(menu.shareText, "s");
    EXPECT_EQ(menu.iconStyle, "black");
    EXPECT_TRUE(menu.items == items);
  }
}

TEST(MessageDecoderTest, RepairsInvalidUtf8InsideStrings) {
  auto message = decode("{\"notify\":{\"title\":\"a\xFF\",\"body\":\"\xE2\x82\"}}");
  ASSERT_TRUE(message && message->notify);
  EXPECT_EQ(message->notify->title, "a\xEF\xBF\xBD");
  EXPECT_EQ(message->notify->body, "\xEF\xBF\xBD");
  // Outside a string the replacement character is not JSON.
  EXPECT_FALSE(decode("{\xFF}"));
}

// Items nest two JSON levels deep each (object, then children array).
std::string nestedItems(int depth) {
  std::string line = R"({"menu":{"title":"","tooltip":"","items":[)";
  for (int i = 0; i < depth; ++i)
    line += R"({"id":"x","children":[)";
  for (int i = 0; i < depth; ++i)
    line += "]}";
  return line + "]}}";
}

TEST(MessageDecoderTest, RejectsNestingBeyondTheDepthLimitAndWalksTheDeepestAccepted) {
  const int limit = static_cast<int>(MessageDecoder::kMaxDepth);
  EXPECT_FALSE(decode(nestedItems((limit - 3) / 2 + 1)));

  // The deepest menu that decodes: 3 levels for the message, menu and items, 2 per item.
  const int deepest = (limit - 3) / 2;
  auto message = decode(nestedItems(deepest));
  ASSERT_TRUE(message && message->menu);
  EXPECT_EQ(message->menu->items.front().shape().size(), static_cast<std::size_t>(deepest));
  const StatusMenuModel copy = *message->menu;
  EXPECT_TRUE(copy.items == message->menu->items);
}

}  // namespace
}  // namespace nvx
