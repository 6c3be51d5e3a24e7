#include "nvx-menubar/MessageDecoder.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

namespace nvx {
namespace {

using Item = StatusMenuModel::Item;

std::optional<Message> decode(std::string_view line) {
  MessageDecoder decoder;
  return decoder.decode(line);
}

std::string menuWithItems(std::string_view items) {
  return R"({"menu":{"title":"t","tooltip":"tip","items":[)" + std::string(items) + "]}}";
}

// Decodes one item of a one-item menu; fails the test when the line does not decode. The
// item views texts its menu keeps, so the menus are kept for the whole test program.
Item decodeItem(std::string_view item) {
  static std::deque<StatusMenuModel> menus;
  auto message = decode(menuWithItems(item));
  EXPECT_TRUE(message && message->menu && message->menu->items.size() == 1) << item;
  if (!message || !message->menu || message->menu->items.size() != 1) return {};
  return menus.emplace_back(std::move(*message->menu)).items[0];
}

struct Case {
  const char* line;
  bool accepted;
};

// Keeps test names readable: ctest lists every parameter by its printed form.
void PrintTo(const Case& c, std::ostream* os) {
  *os << testing::PrintToString(std::string(c.line));
}

class AcceptRejectTest : public testing::TestWithParam<Case> {};

TEST_P(AcceptRejectTest, DecodesOrDropsTheWholeLine) {
  EXPECT_EQ(decode(GetParam().line).has_value(), GetParam().accepted) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Messages, AcceptRejectTest,
    testing::Values(
        // The top level is an object, nothing else.
        Case{"{}", true}, Case{R"({"menu":null,"notify":null})", true},
        Case{R"({"Menu":{}})", true}, Case{R"({"other":[1,2,{"x":null}]})", true},
        Case{"  {}  ", true}, Case{"[]", false}, Case{R"("menu")", false}, Case{"1", false},
        Case{"null", false}, Case{"true", false}, Case{"", false}, Case{" ", false},
        Case{"not json", false}, Case{"{}{}", false}, Case{"{} x", false},
        // Strict RFC 8259, also inside keys that are otherwise ignored.
        Case{R"({"x":[1,]})", false}, Case{R"({"x":01})", false}, Case{R"({'x':1})", false},
        Case{"{\"x\":\"a\tb\"}", false}, Case{R"({"x":NaN})", false},
        Case{R"({"x":1} // c)", false}, Case{R"({"x":"\ud800"})", false},
        Case{R"({"x":"\udc00\ud800"})", false}, Case{R"({"x":"\ud83d\ude00"})", true},
        Case{R"({"x":"\u0000"})", true},
        // Literals, numbers and strings under ignored keys are read as strictly: numbers out of
        // the 64-bit or double range fail, as in simdjson's DOM parser.
        Case{R"({"x":[true,false,null,-0,0.5e-3,1E+2,1e-999]})", true}, Case{R"({"x":tru})", false},
        Case{R"({"x":nul})", false}, Case{R"({"x":truex})", false}, Case{R"({"x":nullx})", false},
        Case{R"({"x":-})", false}, Case{R"({"x":1.})", false}, Case{R"({"x":.5})", false},
        Case{R"({"x":1e})", false}, Case{R"({"x":+1})", false}, Case{R"({"x":1e999})", false},
        Case{R"({"x":-1e999})", false}, Case{R"({"x":1.7976931348623159e308})", false},
        Case{R"({"x":18446744073709551615})", true}, Case{R"({"x":18446744073709551616})", false},
        Case{R"({"x":-9223372036854775808})", true}, Case{R"({"x":-9223372036854775809})", false},
        Case{R"({"x":123456789012345678901})", false}, Case{"{\"x\":\"\x01\"}", false},
        Case{"{\"\x01\":1}", false}, Case{R"({"\ud800":1})", false}, Case{R"({"\x":1})", false},
        Case{R"({"x":tru,"x":1})", false}, Case{R"({"x":"\ud800","x":"a"})", false},
        Case{"{}]", false}, Case{"{}}", false}, Case{R"({"x":{}}})", false},
        Case{R"({"x":[}})", false}, Case{R"({"x":{]})", false}, Case{R"({"x":1 "y":2})", false},
        // Keys match after unescaping: "m\u0065nu" is "menu".
        Case{R"({"m\u0065nu":{}})", false}, Case{R"({"m\u0065nu":null})", true},
        Case{R"({"n\u006ftify":{"title":"A"}})", false},
        // Notes: both strings required, empty allowed, extra keys ignored.
        Case{R"({"notify":{"title":"","body":""}})", true},
        Case{R"({"notify":{"title":"A","body":"B","sound":"x"}})", true},
        Case{R"({"notify":{"title":"A"}})", false},
        Case{R"({"notify":{"title":"A","body":null}})", false},
        Case{R"({"notify":{"title":1,"body":"x"}})", false},
        Case{R"({"notify":{"title":"A","body":["B"]}})", false},
        Case{R"({"notify":{"title":"A","body":{}}})", false},
        Case{R"({"notify":{"title":"A","body":true}})", false}, Case{R"({"notify":"A"})", false},
        Case{R"({"notify":[]})", false},
        // Menus: title, tooltip and items required.
        Case{R"({"menu":{}})", false},
        Case{R"({"menu":{"title":"","tooltip":"","items":[]}})", true},
        Case{R"({"menu":{"title":"","items":[]}})", false},
        Case{R"({"menu":{"title":"","tooltip":"","items":null}})", false},
        Case{R"({"menu":{"title":null,"tooltip":"","items":[]}})", false},
        Case{R"({"menu":{"title":1,"tooltip":"","items":[]}})", false},
        Case{R"({"menu":{"title":"","tooltip":"","items":{}}})", false},
        Case{R"({"menu":{"title":"","tooltip":"","items":[],"shareText":null,"iconStyle":null}})",
             true},
        Case{R"({"menu":{"title":"","tooltip":"","items":[],"shareText":1}})", false},
        Case{R"({"menu":{"title":"","tooltip":"","items":[],"iconStyle":false}})", false},
        Case{R"({"menu":[]})", false}, Case{R"({"menu":"x"})", false},
        // Items: strings, true/false flags, arrays of objects.
        Case{R"({"menu":{"title":"","tooltip":"","items":[{}]}})", true},
        Case{R"({"menu":{"title":"","tooltip":"","items":[null]}})", false},
        Case{R"({"menu":{"title":"","tooltip":"","items":["a"]}})", false},
        Case{R"({"menu":{"title":"","tooltip":"","items":[{"checked":1}]}})", false},
        Case{R"({"menu":{"title":"","tooltip":"","items":[{"bold":"true"}]}})", false},
        Case{R"({"menu":{"title":"","tooltip":"","items":[{"ready":0}]}})", false},
        Case{R"({"menu":{"title":"","tooltip":"","items":[{"disabled":[]}]}})", false},
        Case{R"({"menu":{"title":"","tooltip":"","items":[{"id":5}]}})", false},
        Case{R"({"menu":{"title":"","tooltip":"","items":[{"icon":{}}]}})", false},
        Case{R"({"menu":{"title":"","tooltip":"","items":[{"children":{}}]}})", false},
        Case{R"({"menu":{"title":"","tooltip":"","items":[{"children":[{},null]}]}})", false},
        Case{
            R"({"menu":{"title":"","tooltip":"","items":[{"children":[{"children":[{"bold":2}]}]}]}})",
            false},
        // A valid menu does not survive an invalid note, whatever the order.
        Case{R"({"menu":{"title":"","tooltip":"","items":[]},"notify":{"title":"A"}})", false},
        Case{R"({"notify":{"title":"A"},"menu":{"title":"","tooltip":"","items":[]}})", false},
        Case{R"({"notify":{"title":"A","body":"B"},"menu":{}})", false}));

TEST(MessageDecoderTest, DecodesEveryFieldOfAFullMessage) {
  auto message = decode(
      R"({"menu":{"title":"3","tooltip":"Tip","shareText":"Share me","iconStyle":"black","x":1,)"
      R"("items":[{"id":"a","text":"A","detail":"d","icon":"bell","checked":true,"bold":false,)"
      R"("ready":true,"disabled":false,"children":[{"id":"b"},{}],"unknown":{"y":[]}},{}]},)"
      R"("notify":{"title":"T","body":"line\none"}})");
  ASSERT_TRUE(message && message->menu && message->notify);
  const StatusMenuModel& menu = *message->menu;
  EXPECT_EQ(menu.title, "3");
  EXPECT_EQ(menu.tooltip, "Tip");
  EXPECT_EQ(menu.shareText, "Share me");
  EXPECT_EQ(menu.iconStyle, "black");
  ASSERT_EQ(menu.items.size(), 2u);
  const Item expected{.id = "a",
                      .text = "A",
                      .detail = "d",
                      .icon = "bell",
                      .checked = true,
                      .bold = false,
                      .ready = true,
                      .children = std::vector<Item>{Item{.id = "b"}, Item{}},
                      .disabled = false};
  EXPECT_TRUE(menu.items[0] == expected);
  EXPECT_TRUE(menu.items[1] == Item{});
  EXPECT_EQ(message->notify->title, "T");
  EXPECT_EQ(message->notify->body, "line\none");
}

TEST(MessageDecoderTest, MenuTextsOutliveLaterLinesAndTheDecoder) {
  std::optional<Message> first, copy;
  {
    MessageDecoder decoder;
    first = decoder.decode(menuWithItems(R"({"id":"a\u00e9","text":"first text","icon":"i"})"));
    ASSERT_TRUE(first && first->menu);
    copy = first;
    // A longer line with other texts reuses every buffer the decoder has.
    for (int i = 0; i < 3; ++i)
      ASSERT_TRUE(decoder.decode(menuWithItems(R"({"id":"zzzzzzzzzzzz","text":"overwritten"})")));
  }
  first.reset();  // the copy shares the texts; it keeps them alive alone
  const Item& item = copy->menu->items.at(0);
  EXPECT_EQ(item.id, "a\xC3\xA9");
  EXPECT_EQ(item.text, "first text");
  EXPECT_EQ(item.icon, "i");
  EXPECT_EQ(copy->menu->title, "t");
  EXPECT_EQ(copy->menu->tooltip, "tip");
}

TEST(MessageDecoderTest, KeepsEveryTextOfAMenuInALineThatIsMostlySomethingElse) {
  // The menu's texts take a few bytes of a long line: they move to a block of their own.
  const std::string filler(300'000, 'x');
  const std::string line =
      R"({"unknown":")" + filler +
      R"(","menu":{"title":"T","tooltip":"tip","shareText":"share","iconStyle":"black","items":[)"
      R"({"id":"a","text":"A","detail":"d","icon":"i","children":[{"id":"b","text":"B"}]},)"
      R"({"id":"c","text":""}]},"notify":{"title":")" +
      filler + R"(","body":""}})";
  auto message = decode(line);
  ASSERT_TRUE(message && message->menu);
  const StatusMenuModel& menu = *message->menu;
  EXPECT_EQ(menu.title, "T");
  EXPECT_EQ(menu.tooltip, "tip");
  EXPECT_EQ(menu.shareText, "share");
  EXPECT_EQ(menu.iconStyle, "black");
  const Item expected{.id = "a",
                      .text = "A",
                      .detail = "d",
                      .icon = "i",
                      .children = std::vector<Item>{Item{.id = "b", .text = "B"}}};
  ASSERT_EQ(menu.items.size(), 2u);
  EXPECT_TRUE(menu.items[0] == expected);
  EXPECT_TRUE((menu.items[1] == Item{.id = "c", .text = ""}));
  EXPECT_EQ(message->notify->title, filler);
}

TEST(MessageDecoderTest, KeepsAbsentEmptyAndNullApart) {
  EXPECT_FALSE(decode("{}")->menu);
  EXPECT_FALSE(decode("{}")->notify);
  auto smallest = decode(R"({"menu":{"title":"","tooltip":"","items":[]}})");
  ASSERT_TRUE(smallest && smallest->menu);
  EXPECT_EQ(smallest->menu->title, "");
  EXPECT_FALSE(smallest->menu->shareText);
  EXPECT_FALSE(smallest->menu->iconStyle);

  const Item nulls =
      decodeItem(R"({"id":null,"text":null,"detail":null,"icon":null,"checked":null,"bold":null,)"
                 R"("ready":null,"children":null,"disabled":null})");
  EXPECT_TRUE(nulls == Item{});

  const Item empties = decodeItem(R"({"id":"","text":"","children":[]})");
  EXPECT_EQ(empties.id, "");
  EXPECT_EQ(empties.text, "");
  ASSERT_TRUE(empties.children);
  EXPECT_TRUE(empties.children->empty());
  EXPECT_FALSE(empties.detail);
}

TEST(MessageDecoderTest, FlagsKeepThreeStates) {
  EXPECT_EQ(decodeItem(R"({"checked":true})").checked, std::optional<bool>(true));
  EXPECT_EQ(decodeItem(R"({"checked":false})").checked, std::optional<bool>(false));
  EXPECT_EQ(decodeItem(R"({"checked":null})").checked, std::nullopt);
  EXPECT_EQ(decodeItem(R"({})").checked, std::nullopt);
  EXPECT_EQ(decodeItem(R"({"disabled":false})").disabled, std::optional<bool>(false));
}

TEST(MessageDecoderTest, MatchesKeysExactlyAndCaseSensitively) {
  const Item item = decodeItem(R"({"ID":"x","Text":"y","id ":"z","checked ":1})");
  EXPECT_TRUE(item == Item{});
  auto note = decode(R"({"notify":{"Title":"A","title":"a","body":"b"}})");
  ASSERT_TRUE(note && note->notify);
  EXPECT_EQ(note->notify->title, "a");
}

// Rule for duplicate keys: every occurrence must decode, and the last one wins.
TEST(MessageDecoderTest, LastDuplicateKeyWinsAndEveryOccurrenceMustBeValid) {
  EXPECT_EQ(decodeItem(R"({"id":"a","id":"b"})").id, "b");
  EXPECT_EQ(decodeItem(R"({"id":"a","id":null})").id, std::nullopt);
  EXPECT_EQ(decodeItem(R"({"children":[{}],"children":[]})").children->size(), 0u);
  EXPECT_FALSE(decode(menuWithItems(R"({"id":1,"id":"b"})")));
  EXPECT_FALSE(decode(menuWithItems(R"({"id":"a","id":1})")));

  auto menus = decode(
      R"({"menu":{"title":"1","tooltip":"","items":[{}]},"menu":{"title":"2","tooltip":"","items":[]}})");
  ASSERT_TRUE(menus && menus->menu);
  EXPECT_EQ(menus->menu->title, "2");
  EXPECT_TRUE(menus->menu->items.empty());
  auto cleared = decode(R"({"menu":{"title":"1","tooltip":"","items":[]},"menu":null})");
  ASSERT_TRUE(cleared);
  EXPECT_FALSE(cleared->menu);
  EXPECT_FALSE(decode(R"({"menu":{"title":"1","tooltip":"","items":[]},"menu":{}})"));
}

TEST(MessageDecoderTest, MatchesEscapedKeysByTheirText) {
  const Item item = decodeItem(R"({"\u0069d":"a","t\u0065xt":"\u0041","ch\u0065cked":true})");
  EXPECT_TRUE((item == Item{.id = "a", .text = "A", .checked = true}));
}

TEST(MessageDecoderTest, RepairsInvalidUtf8InsideStrings) {
  auto message = decode(
      "{\"notify\":{\"title\":\"a\xFF"
      "b\",\"body\":\"\xE2\x82\"}}");
  ASSERT_TRUE(message && message->notify);
  EXPECT_EQ(message->notify->title,
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(message->notify->body, "\xEF\xBF\xBD");
  // Outside a string the replacement character is not JSON.
  EXPECT_FALSE(decode("{\xFF}"));
}

TEST(MessageDecoderTest, KeepsNoContentFromOneLineToTheNext) {
  MessageDecoder decoder;
  auto first = decoder.decode(menuWithItems(R"({"id":"a","text":"A"})"));
  ASSERT_TRUE(first && first->menu);
  EXPECT_FALSE(decoder.decode(menuWithItems(R"({"id":"a","checked":1})")));
  auto third = decoder.decode(R"({"notify":{"title":"x","body":"y"}})");
  ASSERT_TRUE(third);
  EXPECT_FALSE(third->menu);
  EXPECT_EQ(first->menu->items[0].text, "A");
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

// Arrays nested under an ignored key; the message object is one level more.
std::string nestedArrays(std::size_t arrays) {
  return R"({"x":)" + std::string(arrays, '[') + std::string(arrays, ']') + "}";
}

TEST(MessageDecoderTest, CountsEveryArrayAndObjectTowardsTheDepthLimit) {
  const std::size_t limit = MessageDecoder::kMaxDepth;
  EXPECT_TRUE(decode(nestedArrays(limit - 1)));
  EXPECT_FALSE(decode(nestedArrays(limit)));
}

TEST(MessageDecoderTest, RejectsNestingBeyondTheDepthLimitAndWalksTheDeepestAccepted) {
  const int limit = static_cast<int>(MessageDecoder::kMaxDepth);
  EXPECT_FALSE(decode(nestedItems(limit)));
  EXPECT_FALSE(decode(nestedItems((limit - 3) / 2 + 1)));

  // The deepest menu that decodes: 3 levels for the message, menu and items, 2 per item.
  const int deepest = (limit - 3) / 2;
  auto message = decode(nestedItems(deepest));
  ASSERT_TRUE(message && message->menu);
  EXPECT_EQ(shapeOf(message->menu->items).size(), static_cast<std::size_t>(deepest));
  const StatusMenuModel copy = *message->menu;
  EXPECT_TRUE(copy.items == message->menu->items);
}

}  // namespace
}  // namespace nvx
