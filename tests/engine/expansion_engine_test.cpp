#include "engine/expansion_engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/unicode_text.h"

namespace marlinet {
namespace {

using testing::ElementsAre;
using List = std::vector<Replacement>;

// Types `text` one character at a time, then `delimiter` as its own key.
std::optional<Expansion> typeThen(ExpansionEngine& engine, std::string_view text, std::string delimiter = " ") {
  for (const std::string& c : unicode::characters(text)) {
    EXPECT_EQ(engine.feed(TypedInput::typed(c)), std::nullopt) << "unexpected expansion at " << c;
  }
  return engine.feed(TypedInput::typed(std::move(delimiter)));
}

std::optional<std::string> phraseFor(const List& list, std::string_view typed) {
  ExpansionEngine engine{ReplacementIndex(list)};
  const auto expansion = typeThen(engine, typed);
  if (!expansion) return std::nullopt;
  return expansion->phrase;
}

const List kOmw{{"omw", "on my way"}};
const Expansion kOmwExpansion{"omw", "on my way", 3, " "};

TEST(ExpansionEngine, PhraseFollowsTypedCase) {
  const List fyi{{"FYI", "for your information"}};
  const struct {
    List list;
    const char* typed;
    std::optional<std::string> phrase;
  } cases[] = {
      {kOmw, "Omw", "On my way"}, {kOmw, "OMW", "ON MY WAY"}, {kOmw, "OmW", "on my way"},
      // A shortcut written with capitals expands only as written.
      {fyi, "FYI", "for your information"}, {fyi, "fyi", std::nullopt}, {fyi, "Fyi", std::nullopt},
      // Only letters count: one uppercase letter capitalises, digits are ignored.
      {{{"1x", "times one"}}, "1X", "Times one"},
      {{{"addr", "12 main street"}}, "Addr", "12 Main street"},
      {{{"a1b", "alpha beta"}}, "A1B", "ALPHA BETA"},
      // Full mappings, including ones longer than the letter they replace.
      {{{"st", "stra\u00dfe"}}, "ST", "STRASSE"},
      {{{"fn", "\ufb01ne"}}, "Fn", "FIne"},
      // Capitalising changes only the first letter, whatever comes before it.
      {{{"q", "\"quoted\" text"}}, "Q", "\"Quoted\" text"},
      {{{"e", "\U0001F600 \u00e9t\u00e9"}}, "E", "\U0001F600 \u00c9t\u00e9"},
      {{{"c", "e\u0301te\u0301"}}, "C", "E\u0301te\u0301"},
      {{{"n", "\u0149ext"}}, "N", "\u02bcNext"},
      {{{"\u0449\u0438", "\u0431\u043e\u0440\u0449"}}, "\u0429\u0418", "\u0411\u041e\u0420\u0429"},
  };
  for (const auto& c : cases) EXPECT_EQ(phraseFor(c.list, c.typed), c.phrase) << c.typed;
}

TEST(ExpansionEngine, TypedSpellingMayDifferCanonically) {
  ExpansionEngine engine{ReplacementIndex(List{{"caf\u00e9", "coffee"}})};
  EXPECT_EQ(typeThen(engine, "cafe\u0301"), (Expansion{"cafe\u0301", "coffee", 4, " "}));
  EXPECT_EQ(typeThen(engine, "CAFE\u0301"), (Expansion{"CAFE\u0301", "COFFEE", 4, " "}));
  engine.setIndex(ReplacementIndex(List{{"cafe\u0301", "coffee"}}));
  EXPECT_EQ(typeThen(engine, "Caf\u00e9"), (Expansion{"Caf\u00e9", "Coffee", 4, " "}));
}

TEST(ExpansionEngine, ShortcutMustStartAfterSomethingThatIsNeitherLetterNorNumber) {
  const std::pair<const char*, bool> cases[] = {
      {"", true},          {"x", false},       {"2", false},       {"-", true},        {"(", true},
      {"'", true},         {"hi ", true},      {"\u044f", false},  {"\u05d0", false},  {"\u4e2d", false},
      {"\u0968", false},   {"\u0663", false},  {"\u00bd", false},  {"\u2460", false},  {"e\u0301", false},
      {"\U0001F600", true}, {"\U0001F1EB\U0001F1F7", true},        {"\uE000", true},   {"\u00a0", true},
  };
  for (const auto& [before, matches] : cases) {
    ExpansionEngine engine{ReplacementIndex(kOmw)};
    const auto expansion = typeThen(engine, std::string(before) + "omw");
    EXPECT_EQ(expansion, matches ? std::optional(kOmwExpansion) : std::nullopt) << "before: " << before;
  }
}

TEST(ExpansionEngine, LongestShortcutWins) {
  EXPECT_EQ(phraseFor({{"omw", "short"}, {"momw", "long"}}, "momw"), "long");
  // A longer candidate that is present but refuses the typed case falls back to a shorter one.
  ExpansionEngine engine{ReplacementIndex(List{{"-OMW", "dash"}, {"omw", "on my way"}})};
  EXPECT_EQ(typeThen(engine, "-omw"), kOmwExpansion);
  EXPECT_EQ(typeThen(engine, "-OMW"), (Expansion{"-OMW", "dash", 4, " "}));
}

TEST(ExpansionEngine, ExactCaseBeatsAdaptedAndListOrderBreaksTies) {
  const List list{{"omw", "lower"}, {"Omw", "title"}, {"omw", "lower again"}};
  EXPECT_EQ(phraseFor(list, "Omw"), "title");
  EXPECT_EQ(phraseFor(list, "omw"), "lower");
  // The capitalised entry refuses OMW; the first lowercase one adapts.
  EXPECT_EQ(phraseFor({{"Omw", "title"}, {"omw", "lower"}}, "OMW"), "LOWER");
}

TEST(ExpansionEngine, ExactlyFourteenDelimitersEndAShortcutAndStayAsTheNextBoundary) {
  for (const char* d : {" ", "\t", "\r", "\n", ".", ",", ":", "!", "?", ")", "]", "}", "\"", "'"}) {
    ExpansionEngine engine{ReplacementIndex(kOmw)};
    EXPECT_EQ(typeThen(engine, "omw", d), (Expansion{"omw", "on my way", 3, d})) << int(d[0]);
    EXPECT_THAT(engine.buffer(), ElementsAre(d));
    EXPECT_EQ(typeThen(engine, "omw"), kOmwExpansion) << int(d[0]);
  }
  for (const char* notDelimiter : {";", "-", "/", "(", "[", "{", "\u00a0", "\u3002", "\r\n", ". ", "``"}) {
    ExpansionEngine engine{ReplacementIndex(kOmw)};
    EXPECT_EQ(typeThen(engine, "omw", notDelimiter), std::nullopt) << notDelimiter;
    EXPECT_EQ(engine.bufferSize(), 3 + unicode::characterCount(notDelimiter));
  }
}

TEST(ExpansionEngine, UnmatchedInputIsKeptAndMultiCharacterTextAppendedWhole) {
  ExpansionEngine engine{ReplacementIndex(kOmw)};
  EXPECT_EQ(typeThen(engine, "hi", ","), std::nullopt);
  EXPECT_EQ(engine.feed(TypedInput::typed(" omw")), std::nullopt);
  EXPECT_EQ(engine.feed(TypedInput::typed("")), std::nullopt);
  EXPECT_THAT(engine.buffer(), ElementsAre("h", "i", ",", " ", "o", "m", "w"));
  EXPECT_EQ(engine.feed(TypedInput::typed(" ")), kOmwExpansion);
}

TEST(ExpansionEngine, EditingInputs) {
  ExpansionEngine engine{ReplacementIndex(kOmw)};
  EXPECT_EQ(engine.feed(TypedInput::deleteBackward()), std::nullopt);
  EXPECT_EQ(engine.bufferSize(), 0u);
  for (const char* c : {"o", "m", "x"}) engine.feed(TypedInput::typed(c));
  engine.feed(TypedInput::deleteBackward());
  EXPECT_EQ(typeThen(engine, "w"), kOmwExpansion);

  // Delete removes a whole character, not a code unit.
  typeThen(engine, "om\U0001F468\u200D\U0001F469", "w");
  engine.feed(TypedInput::deleteBackward());
  engine.feed(TypedInput::deleteBackward());
  EXPECT_TRUE(typeThen(engine, "w").has_value());

  typeThen(engine, "om", "w");
  EXPECT_EQ(engine.feed(TypedInput::reset()), std::nullopt);
  EXPECT_EQ(typeThen(engine, "w"), std::nullopt);
}

TEST(ExpansionEngine, EmptyIndexNeverMatchesAndNewIndexEmptiesTheBuffer) {
  ExpansionEngine engine;
  for (const char* d : {" ", ".", "\r"}) EXPECT_EQ(typeThen(engine, "omw a b", d), std::nullopt);
  typeThen(engine, "om", "w");
  engine.setIndex(ReplacementIndex(kOmw));
  EXPECT_EQ(engine.bufferSize(), 0u);
}

TEST(ExpansionEngine, BufferKeepsTheNewestCharactersUpToTheLimit) {
  std::string seventy;
  for (int i = 0; i < 70; ++i) seventy += char('a' + i % 26);
  ExpansionEngine engine{ReplacementIndex(List{{"abcdefghij", "ten"}})};
  for (const std::string& c : unicode::characters(seventy)) engine.feed(TypedInput::typed(c));
  EXPECT_EQ(engine.buffer(), unicode::characters(seventy.substr(6)));

  // Erasing and typing again after the oldest characters were dropped keeps the order.
  engine.feed(TypedInput::deleteBackward());
  engine.feed(TypedInput::deleteBackward());
  engine.feed(TypedInput::typed("XY"));
  std::vector<std::string> expected = unicode::characters(seventy.substr(6, 62));
  expected.insert(expected.end(), {"X", "Y"});
  EXPECT_EQ(engine.buffer(), expected);

  // A new index with a longer shortcut widens the limit of the same engine.
  const std::string hundred(100, 'q');
  engine.setIndex(ReplacementIndex(List{{hundred, "long one"}}));
  engine.feed(TypedInput::typed(std::string(150, 'z')));
  EXPECT_EQ(engine.bufferSize(), 101u);
  // The longest shortcut still fits after a boundary character when the buffer has wrapped.
  EXPECT_EQ(typeThen(engine, std::string(130, 'z') + "-" + hundred), (Expansion{hundred, "long one", 100, " "}));
}

TEST(ExpansionEngine, VeryLongTextKeepsItsEnd) {
  std::string text;
  // Multi-byte characters count as one each.
  for (int i = 0; i < 20000; ++i) text += (i % 3 == 0) ? "\U0001F1EB\U0001F1F7" : "x";
  ExpansionEngine engine{ReplacementIndex(kOmw)};
  text += " omw";
  EXPECT_EQ(engine.feed(TypedInput::typed(text)), std::nullopt);
  const std::vector<std::string> all = unicode::characters(text);
  EXPECT_EQ(engine.buffer(), std::vector<std::string>(all.end() - 64, all.end()));
  EXPECT_EQ(engine.feed(TypedInput::typed(" ")), kOmwExpansion);
}

TEST(ExpansionEngine, IllFormedTextNeverCorruptsTheBuffer) {
  ExpansionEngine engine{ReplacementIndex(kOmw)};
  for (std::string bad : {"\xff", "\xe2\x82", "om\xc0\xafw", "\xed\xa0\x80", "\xf0\x9f", "\xe2"}) {
    engine.feed(TypedInput::typed(bad));
  }
  // The same bytes arriving through a key event end up replaced, not stored.
  engine.feed(KeyEvent{Phase::down, 0, KeyModifiers{}, "a\xff", nullptr}.typedInput());
  const std::vector<std::string> buffer = engine.buffer();
  for (const std::string& c : buffer) EXPECT_TRUE(unicode::isValidUtf8(c)) << c;
  EXPECT_THAT(std::vector<std::string>(buffer.end() - 2, buffer.end()), ElementsAre("a", "\uFFFD"));
  EXPECT_EQ(typeThen(engine, " omw"), kOmwExpansion);
}

}  // namespace
}  // namespace marlinet
