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

std::optional<std::string> phraseFor(const std::vector<Replacement>& list, std::string_view typed) {
  ExpansionEngine engine{ReplacementIndex(list)};
  const auto expansion = typeThen(engine, typed);
  if (!expansion) return std::nullopt;
  return expansion->phrase;
}

const std::vector<Replacement> kOmw{{"omw", "on my way"}};

TEST(ExpansionEngine, ExpandsAndKeepsOnlyTheDelimiter) {
  ExpansionEngine engine{ReplacementIndex(kOmw)};
  EXPECT_EQ(typeThen(engine, "omw"), (Expansion{"omw", "on my way", 3, " "}));
  EXPECT_THAT(engine.buffer(), ElementsAre(" "));
  // The delimiter left behind is a boundary for the next word.
  EXPECT_EQ(typeThen(engine, "omw", "."), (Expansion{"omw", "on my way", 3, "."}));
}

TEST(ExpansionEngine, PhraseFollowsTypedCase) {
  struct Case {
    List list;
    const char* typed;
    std::optional<std::string> phrase;
  };
  const List fyi{{"FYI", "for your information"}};
  const Case cases[] = {
      {kOmw, "Omw", "On my way"}, {kOmw, "OMW", "ON MY WAY"}, {kOmw, "OmW", "on my way"},
      {kOmw, "oMW", "on my way"},
      // A shortcut written with capitals expands only as written.
      {fyi, "FYI", "for your information"}, {fyi, "fyi", std::nullopt}, {fyi, "Fyi", std::nullopt},
      // Only letters count: one uppercase letter capitalises, digits are ignored.
      {{{"1x", "times one"}}, "1X", "Times one"},
      {{{"addr", "12 main street"}}, "Addr", "12 Main street"},
      {{{"a1b", "alpha beta"}}, "A1B", "ALPHA BETA"},
      {{{"sig", "-- 42 --"}}, "Sig", "-- 42 --"},
      // Full mappings, including ones longer than the letter they replace.
      {{{"st", "stra\u00dfe"}}, "ST", "STRASSE"},
      {{{"gr", "\u03ba\u03b1\u03bb\u03ac"}}, "GR", "\u039a\u0391\u039b\u0386"},
      {{{"fn", "\ufb01ne"}}, "Fn", "FIne"},
      {{{"\u0449\u0438", "\u0431\u043e\u0440\u0449"}}, "\u0429\u0418", "\u0411\u041e\u0420\u0429"},
  };
  for (const Case& c : cases) EXPECT_EQ(phraseFor(c.list, c.typed), c.phrase) << c.typed;
}

TEST(ExpansionEngine, TypedSpellingMayDifferCanonically) {
  ExpansionEngine engine{ReplacementIndex(List{{"caf\u00e9", "coffee"}})};
  EXPECT_EQ(typeThen(engine, "cafe\u0301"), (Expansion{"cafe\u0301", "coffee", 4, " "}));
  EXPECT_EQ(typeThen(engine, "CAFE\u0301"), (Expansion{"CAFE\u0301", "COFFEE", 4, " "}));
  engine.setIndex(ReplacementIndex(List{{"cafe\u0301", "coffee"}}));
  EXPECT_EQ(typeThen(engine, "Caf\u00e9"), (Expansion{"Caf\u00e9", "Coffee", 4, " "}));
}

TEST(CapitalizingFirstLetter, ChangesOnlyTheFirstLetter) {
  EXPECT_EQ(capitalizingFirstLetter("on my way"), "On my way");
  EXPECT_EQ(capitalizingFirstLetter("\"quoted\" text"), "\"Quoted\" text");
  EXPECT_EQ(capitalizingFirstLetter("\U0001F600 \u00e9t\u00e9"), "\U0001F600 \u00c9t\u00e9");
  EXPECT_EQ(capitalizingFirstLetter("e\u0301te\u0301"), "E\u0301te\u0301");
  EXPECT_EQ(capitalizingFirstLetter("\u0149ext"), "\u02bcNext");
  EXPECT_EQ(capitalizingFirstLetter("12 - 34!"), "12 - 34!");
  EXPECT_EQ(capitalizingFirstLetter(""), "");
}

TEST(ExpansionEngine, WordBoundaries) {
  struct Case {
    const char* before;
    bool matches;
  };
  const Case cases[] = {
      {"", true},           {"x", false},         {"2", false},          {"-", true},
      {"(", true},          {"hi ", true},        {"\u044f", false},      // Cyrillic letter
      {"\u0968", false},    {"\u4e2d", false},    {"\u00bd", false},      // Devanagari two, CJK, one half
      {"e\u0301", false},   {"\U0001F600", true}, {"\U0001F1EB\U0001F1F7", true},
      {"\uE000", true},     {";", true},          {"\u00a0", true},
  };
  for (const Case& c : cases) {
    ExpansionEngine engine{ReplacementIndex(kOmw)};
    const auto expansion = typeThen(engine, std::string(c.before) + "omw");
    EXPECT_EQ(expansion.has_value(), c.matches) << "before: " << c.before;
    if (expansion) {
      EXPECT_EQ(expansion->deleteCount, 3);
    }
  }
}

TEST(ExpansionEngine, LongestShortcutWins) {
  EXPECT_EQ(phraseFor({{"omw", "short"}, {"momw", "long"}}, "momw"), "long");
  // A longer candidate that is present but refuses the typed case falls back to a shorter one.
  const std::vector<Replacement> list{{"-OMW", "dash"}, {"omw", "on my way"}};
  ExpansionEngine engine{ReplacementIndex(list)};
  EXPECT_EQ(typeThen(engine, "-omw"), (Expansion{"omw", "on my way", 3, " "}));
  EXPECT_EQ(typeThen(engine, "-OMW"), (Expansion{"-OMW", "dash", 4, " "}));
}

TEST(ExpansionEngine, ExactCaseBeatsAdaptedAndListOrderBreaksTies) {
  const std::vector<Replacement> list{{"omw", "lower"}, {"Omw", "title"}, {"omw", "lower again"}};
  EXPECT_EQ(phraseFor(list, "Omw"), "title");
  EXPECT_EQ(phraseFor(list, "omw"), "lower");
  // The capitalised entry refuses OMW; the first lowercase one adapts.
  EXPECT_EQ(phraseFor(list, "OMW"), "LOWER");
  EXPECT_EQ(phraseFor({{"Omw", "title"}, {"omw", "lower"}}, "OMW"), "LOWER");
}

TEST(ExpansionEngine, ExactlyFourteenDelimiters) {
  for (const char* d : {" ", "\t", "\r", "\n", ".", ",", ":", "!", "?", ")", "]", "}", "\"", "'"}) {
    ExpansionEngine engine{ReplacementIndex(kOmw)};
    EXPECT_EQ(typeThen(engine, "omw", d), (Expansion{"omw", "on my way", 3, d})) << int(d[0]);
    EXPECT_THAT(engine.buffer(), ElementsAre(d));
  }
  for (const char* notDelimiter : {";", "-", "/", "(", "[", "{", "\u00a0", "\u3002", "\r\n", ". ", "``"}) {
    ExpansionEngine engine{ReplacementIndex(kOmw)};
    EXPECT_EQ(typeThen(engine, "omw", notDelimiter), std::nullopt) << notDelimiter;
    EXPECT_EQ(engine.bufferSize(), 3 + unicode::characterCount(notDelimiter));
  }
}

TEST(ExpansionEngine, UnmatchedDelimiterIsKeptAndTypingGoesOn) {
  ExpansionEngine engine{ReplacementIndex(kOmw)};
  EXPECT_EQ(typeThen(engine, "hello", ","), std::nullopt);
  EXPECT_EQ(engine.feed(TypedInput::typed(" ")), std::nullopt);
  EXPECT_THAT(engine.buffer(), ElementsAre("h", "e", "l", "l", "o", ",", " "));
  EXPECT_TRUE(typeThen(engine, "omw").has_value());
}

TEST(ExpansionEngine, MultiCharacterTextIsAppendedWhole) {
  ExpansionEngine engine{ReplacementIndex(kOmw)};
  EXPECT_EQ(engine.feed(TypedInput::typed("say omw")), std::nullopt);
  EXPECT_EQ(engine.feed(TypedInput::typed("")), std::nullopt);
  EXPECT_EQ(engine.bufferSize(), 7u);
  EXPECT_EQ(engine.feed(TypedInput::typed(" ")), (Expansion{"omw", "on my way", 3, " "}));
}

TEST(ExpansionEngine, EditingInputs) {
  ExpansionEngine engine{ReplacementIndex(kOmw)};
  EXPECT_EQ(engine.feed(TypedInput::deleteBackward()), std::nullopt);
  EXPECT_EQ(engine.bufferSize(), 0u);
  for (const char* c : {"o", "m", "x"}) engine.feed(TypedInput::typed(c));
  engine.feed(TypedInput::deleteBackward());
  EXPECT_EQ(typeThen(engine, "w"), (Expansion{"omw", "on my way", 3, " "}));

  // Delete removes a whole character, not a code unit.
  typeThen(engine, "om\U0001F468\u200D\U0001F469", "w");
  engine.feed(TypedInput::deleteBackward());
  engine.feed(TypedInput::deleteBackward());
  EXPECT_TRUE(typeThen(engine, "w").has_value());

  typeThen(engine, "om", "w");
  EXPECT_EQ(engine.feed(TypedInput::reset()), std::nullopt);
  EXPECT_EQ(engine.bufferSize(), 0u);
  EXPECT_EQ(typeThen(engine, "w"), std::nullopt);
}

TEST(ExpansionEngine, EmptyIndexNeverMatchesAndNewIndexEmptiesTheBuffer) {
  ExpansionEngine engine;
  for (const char* d : {" ", ".", "\r"}) EXPECT_EQ(typeThen(engine, "omw a b", d), std::nullopt);
  typeThen(engine, "om", "w");
  engine.setIndex(ReplacementIndex(kOmw));
  EXPECT_EQ(engine.bufferSize(), 0u);
  EXPECT_EQ(typeThen(engine, " "), std::nullopt);
}

TEST(ExpansionEngine, BufferKeepsTheNewestCharactersUpToTheLimit) {
  const std::string seventy = [] {
    std::string s;
    for (int i = 0; i < 70; ++i) s += char('a' + i % 26);
    return s;
  }();
  ExpansionEngine engine{ReplacementIndex(List{{"abcdefghij", "ten"}})};
  EXPECT_EQ(engine.bufferLimit(), 64u);
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
  EXPECT_EQ(engine.bufferLimit(), 101u);
  engine.feed(TypedInput::typed(std::string(150, 'z')));
  EXPECT_EQ(engine.bufferSize(), 101u);
  // The longest shortcut still fits after a boundary character when the buffer has wrapped.
  EXPECT_EQ(typeThen(engine, std::string(130, 'z') + "-" + hundred), (Expansion{hundred, "long one", 100, " "}));

  engine.setIndex(ReplacementIndex(kOmw));
  engine.feed(TypedInput::typed(seventy));
  EXPECT_EQ(engine.buffer(), unicode::characters(seventy.substr(6)));
}

TEST(ExpansionEngine, VeryLongTextKeepsItsEnd) {
  std::string text;
  // Multi-byte characters count as one each.
  for (int i = 0; i < 20000; ++i) text += (i % 3 == 0) ? "\U0001F1EB\U0001F1F7" : "x";
  text += " omw";
  ExpansionEngine engine{ReplacementIndex(kOmw)};
  EXPECT_EQ(engine.feed(TypedInput::typed(text)), std::nullopt);
  EXPECT_EQ(engine.bufferSize(), engine.bufferLimit());
  const std::vector<std::string> buffer = engine.buffer();
  EXPECT_THAT(std::vector<std::string>(buffer.end() - 4, buffer.end()), ElementsAre(" ", "o", "m", "w"));
  EXPECT_TRUE(engine.feed(TypedInput::typed(" ")).has_value());
}

TEST(ExpansionEngine, IllFormedTextNeverCorruptsTheBuffer) {
  ExpansionEngine engine{ReplacementIndex(kOmw)};
  for (std::string bad : {"\xff", "\xe2\x82", "om\xc0\xafw", "\xed\xa0\x80", "\xf0\x9f"}) {
    engine.feed(TypedInput::typed(bad));
  }
  engine.feed(TypedInput::typed("\xe2"));  // a lone lead byte as a one-byte "delimiter"
  // The same bytes arriving through a key event end up replaced, not stored.
  engine.feed(KeyEvent{Phase::down, 0, KeyModifiers{}, "a\xff", nullptr}.typedInput());
  const std::vector<std::string> buffer = engine.buffer();
  for (const std::string& c : buffer) EXPECT_TRUE(unicode::isValidUtf8(c)) << c;
  EXPECT_THAT(std::vector<std::string>(buffer.end() - 2, buffer.end()), ElementsAre("a", "\uFFFD"));
  EXPECT_EQ(typeThen(engine, " omw"), (Expansion{"omw", "on my way", 3, " "}));
}

}  // namespace
}  // namespace marlinet
