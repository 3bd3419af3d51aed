#include "engine/expansion_engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/key_event.h"
#include "engine/replacement.h"
#include "engine/replacement_index.h"
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

const List kOmw{{"omw", "on my way"}};
const Expansion kOmwExpansion{"omw", "on my way", 3, " "};

TEST(ExpansionEngine, ChoosesAndShapesThePhraseByTheTypedCase) {
  const List ties{{"omw", "lower"}, {"Omw", "title"}, {"omw", "lower again"}};
  const List dash{{"-OMW", "dash"}, {"omw", "on my way"}};
  const struct {
    List list;
    const char* typed;
    std::optional<std::string> phrase;
  } cases[] = {
      {kOmw, "Omw", "On my way"}, {kOmw, "OMW", "ON MY WAY"}, {kOmw, "OmW", "on my way"},
      {{{"st", "stra\u00dfe"}}, "ST", "STRASSE"},
      // A shortcut written with capitals expands only as written.
      {{{"FYI", "for your information"}}, "Fyi", std::nullopt},
      // Only letters count; only the first letter is capitalised, whatever comes before it.
      {{{"1x", "times one"}}, "1X", "Times one"}, {{{"fn", "\ufb01ne"}}, "Fn", "FIne"},
      {{{"e", "\U0001F600 \u00e9t\u00e9"}}, "E", "\U0001F600 \u00c9t\u00e9"},
      // The typed spelling may differ canonically from the stored one.
      {{{"caf\u00e9", "coffee"}}, "CAFE\u0301", "COFFEE"},
      // The longest shortcut wins, unless it refuses the typed case.
      {{{"omw", "short"}, {"momw", "long"}}, "momw", "long"}, {dash, "-omw", "on my way"}, {dash, "-OMW", "dash"},
      // The exact case beats an adapted one; list order breaks ties.
      {ties, "Omw", "title"}, {ties, "omw", "lower"},
  };
  for (const auto& c : cases) {
    ExpansionEngine engine{ReplacementIndex(c.list)};
    const auto expansion = typeThen(engine, c.typed);
    EXPECT_EQ(expansion ? std::optional(expansion->phrase) : std::nullopt, c.phrase) << c.typed;
  }
  // Deleting counts characters, not code points.
  ExpansionEngine engine{ReplacementIndex(List{{"caf\u00e9", "coffee"}})};
  EXPECT_EQ(typeThen(engine, "cafe\u0301")->deleteCount, 4);
}

TEST(ExpansionEngine, ShortcutMustStartAfterSomethingThatIsNeitherLetterNorNumber) {
  const std::pair<const char*, bool> cases[] = {
      {"", true},          {"x", false},       {"2", false},      {"-", true},      {"hi ", true},
      {"\u044f", false},   {"\u4e2d", false},   {"\u0968", false},  {"\u00bd", false}, {"\u2460", false},
      {"e\u0301", false},  {"\U0001F600", true}, {"\U0001F1EB\U0001F1F7", true},     {"\uE000", true}, {"\u00a0", true},
  };
  for (const auto& [before, matches] : cases) {
    ExpansionEngine engine{ReplacementIndex(kOmw)};
    const auto expansion = typeThen(engine, std::string(before) + "omw");
    EXPECT_EQ(expansion, matches ? std::optional(kOmwExpansion) : std::nullopt) << "before: " << before;
  }
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

TEST(ExpansionEngine, EditingInputs) {
  ExpansionEngine engine{ReplacementIndex(kOmw)};
  engine.feed(TypedInput::deleteBackward());  // on an empty buffer
  // Multi-character text is appended whole, even ending in a delimiter; empty text changes nothing.
  EXPECT_EQ(engine.feed(TypedInput::typed("hi, omw.")), std::nullopt);
  engine.feed(TypedInput::typed(""));
  engine.feed(TypedInput::deleteBackward());
  EXPECT_THAT(engine.buffer(), ElementsAre("h", "i", ",", " ", "o", "m", "w"));
  EXPECT_EQ(engine.feed(TypedInput::typed(" ")), kOmwExpansion);

  // Delete removes a whole character, not a code unit; a reset or a new index empties the buffer.
  typeThen(engine, "om\U0001F468\u200D\U0001F469", "w");
  engine.feed(TypedInput::deleteBackward());
  engine.feed(TypedInput::deleteBackward());
  EXPECT_TRUE(typeThen(engine, "w").has_value());
  engine.feed(TypedInput::typed("om"));
  engine.feed(TypedInput::reset());
  EXPECT_EQ(typeThen(engine, "w"), std::nullopt);
  engine.feed(TypedInput::typed("om"));
  engine.setIndex(ReplacementIndex(kOmw));
  EXPECT_EQ(engine.bufferSize(), 0u);
}

TEST(ExpansionEngine, BufferKeepsTheNewestCharactersUpToTheLimit) {
  const std::string seventy = std::string("abcdefghijklmnopqrstuvwxyz") + "abcdefghijklmnopqrstuvwxyz" + "abcdefghijklmnopqr";
  ExpansionEngine engine{ReplacementIndex(List{{"abcdefghij", "ten"}})};
  for (const char c : seventy) engine.feed(TypedInput::typed(std::string(1, c)));
  EXPECT_EQ(engine.buffer(), unicode::characters(seventy.substr(6)));

  // Erasing and typing again after the oldest characters were dropped keeps the order.
  engine.feed(TypedInput::deleteBackward());
  engine.feed(TypedInput::deleteBackward());
  engine.feed(TypedInput::typed("XY"));
  EXPECT_EQ(engine.buffer(), unicode::characters(seventy.substr(6, 62) + "XY"));

  // A new index with a longer shortcut widens the limit; the shortcut still
  // fits after a boundary character when the buffer has wrapped.
  const std::string hundred(100, 'q');
  engine.setIndex(ReplacementIndex(List{{hundred, "long one"}}));
  engine.feed(TypedInput::typed(std::string(150, 'z')));
  EXPECT_EQ(engine.bufferSize(), 101u);
  EXPECT_EQ(typeThen(engine, std::string(130, 'z') + "-" + hundred), (Expansion{hundred, "long one", 100, " "}));
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

// --- What a key types -------------------------------------------------------

using M = KeyModifiers;

constexpr std::uint16_t kKeyA = 0;
constexpr std::uint16_t kKeyE = 14;

TEST(TypedInput, RulesApplyInOrder) {
  const TypedInput reset = TypedInput::reset();
  const auto text = [](std::string s) { return TypedInput::typed(std::move(s)); };
  const struct {
    std::uint16_t keyCode;
    KeyModifiers modifiers;
    std::string characters;
    TypedInput expected;
  } cases[] = {
      // Control and Command win over every key-specific rule.
      {keycode::returnKey, M::command, "\r", reset}, {keycode::deleteKey, M::control, "\x7f", reset},
      // Return and Enter always type a carriage return, whatever characters say.
      {keycode::keypadEnter, M{M::option, M::function}, "\x03", text("\r")}, {keycode::returnKey, M{}, "", text("\r")},
      {keycode::tab, M{}, "\t", text("\t")}, {keycode::tab, M::shift, "\x19", reset},
      {keycode::deleteKey, M{}, "\x7f", TypedInput::deleteBackward()}, {keycode::deleteKey, M::option, "\x7f", reset},
      // Keys that move the caret reset whatever they produce.
      {keycode::escape, M::shift, "a", reset}, {126 /* up arrow */, M{}, "a", reset},
      // A dead key's first press produces nothing and must not disturb the buffer.
      {kKeyE, M::option, "", text("")},
      // Control characters, DEL and the function-key private-use range reset,
      // even after a letter or an ill-formed byte.
      {kKeyA, M{}, std::string("\0", 1), reset}, {kKeyA, M{}, "\x7f", reset}, {kKeyA, M{}, "\uF8FF", reset},
      {kKeyA, M{}, "ab\x01", reset}, {kKeyA, M{}, "a\uF704", reset}, {kKeyA, M{}, "\xff\x01", reset},
      {kKeyA, M{}, "\xe2\x01", reset}, {kKeyA, M{}, "\xc3\x7f", reset}, {kKeyA, M{}, "\xef\x9c\uF704", reset},
      // Just outside those ranges is ordinary text, and so is an overlong NUL.
      {kKeyA, M{}, " ", text(" ")}, {kKeyA, M{}, "\u0080", text("\u0080")}, {kKeyA, M{}, "\uF6FF", text("\uF6FF")},
      {kKeyA, M{}, "\uF900", text("\uF900")}, {kKeyA, M{}, "\xc0\x80", text("\xc0\x80")},
      // Compositions pass through untouched, even decomposed.
      {kKeyE, M{}, "e\u0301", text("e\u0301")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ((KeyEvent{Phase::down, c.keyCode, c.modifiers, c.characters, nullptr}.typedInput()), c.expected)
        << c.keyCode << " " << ::testing::PrintToString(c.characters);
  }
}

// --- Shortcuts and their index ----------------------------------------------

TEST(Replacement, EqualityIsCanonicalEquivalenceWithoutCaseFolding) {
  const Replacement precomposed{"caf\u00e9", "r\u00e9sum\u00e9"};
  const Replacement decomposed{"cafe\u0301", "re\u0301sume\u0301"};
  EXPECT_EQ(precomposed, decomposed);
  EXPECT_EQ(std::hash<Replacement>{}(precomposed), std::hash<Replacement>{}(decomposed));
  EXPECT_EQ((Replacement{"\ud55c", "x"}), (Replacement{"\u1112\u1161\u11ab", "x"}));  // Hangul vs jamo
  EXPECT_EQ((Replacement{"a\u0323\u0301", "x"}), (Replacement{"a\u0301\u0323", "x"}));  // marks reordered
  EXPECT_NE((Replacement{"\ufb01", "x"}), (Replacement{"fi", "x"}));  // compatibility, not canonical
  EXPECT_NE((Replacement{"Omw", "on my way"}), (Replacement{"omw", "on my way"}));
  EXPECT_NE((Replacement{"omw", "On my way"}), (Replacement{"omw", "on my way"}));
  EXPECT_NE((Replacement{"ab", "c"}), (Replacement{"a", "bc"}));
}

TEST(ReplacementIndex, CaseVariantsAndCanonicalSpellingsShareOneFullLowercaseKeyInInputOrder) {
  const Replacement upper{"BTW", "by the way"};
  const Replacement lower{"btw", "btw lower"};
  const Replacement precomposed{"caf\u00e9", "a"};
  const Replacement decomposed{"CAFE\u0301", "b"};
  const ReplacementIndex index({upper, {"omw", "x"}, precomposed, lower, {"\u0130X", "dotted"}, decomposed, upper});
  EXPECT_EQ(index.byLowercased().size(), 4u);
  ASSERT_NE(index.find("btw"), nullptr);
  EXPECT_THAT(*index.find("btw"), ElementsAre(upper, lower, upper));
  ASSERT_NE(index.find("caf\u00e9"), nullptr);
  EXPECT_THAT(*index.find("caf\u00e9"), ElementsAre(precomposed, decomposed));
  EXPECT_NE(index.find("i\u0307x"), nullptr);
  EXPECT_EQ(index.find("BTW"), nullptr);  // keys are already folded
}

TEST(ReplacementIndex, MaxLengthCountsCharactersOfTheLongestShortcut) {
  EXPECT_EQ(ReplacementIndex(List{{"a", "1"}, {"A", "2"}, {"a", "3"}, {"xyzzy", "4"}}).maxLength(), 5);
  // Characters, not bytes or code points: two flags, a combining sequence, CR LF.
  EXPECT_EQ(ReplacementIndex(List{{"\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA", "flags"}}).maxLength(), 2);
  EXPECT_EQ(ReplacementIndex(List{{"e\u0301e\u0301", "x"}}).maxLength(), 2);
  EXPECT_EQ(ReplacementIndex(List{{"a\r\nb", "x"}}).maxLength(), 3);
}

}  // namespace

// --- Text: characters, case and encodings -----------------------------------------

namespace unicode {
namespace {

using ::testing::ElementsAre;

TEST(Characters, SplitsIntoExtendedGraphemeClusters) {
  // Stacked marks, a flag and a lone indicator, a ZWJ family, a skin tone, conjoining jamo.
  const std::pair<const char*, std::size_t> cases[] = {
      {"\n\r", 2}, {"e\u0301\u0323x", 2}, {"\U0001F1EB\U0001F1F7\U0001F1E9", 2},
      {"\U0001F468\u200D\U0001F469\u200D\U0001F467", 1}, {"\U0001F44D\U0001F3FD!", 2}, {"\u1112\u1161\u11ab\u1112", 2},
  };
  for (const auto& [text, count] : cases) EXPECT_EQ(characterCount(text), count) << text;
  EXPECT_THAT(characters("a\r\ne\u0301\U0001F1EB\U0001F1F7"),
              ElementsAre("a", "\r\n", "e\u0301", "\U0001F1EB\U0001F1F7"));
}

TEST(CaseMapping, IsFullAndLocaleIndependent) {
  EXPECT_EQ(uppercased("\u03cc\u03bb\u03b1"), "\u038c\u039b\u0391");  // root keeps the tonos
  // Turkish dotted and dotless I follow the root mapping, whatever the locale.
  EXPECT_EQ(uppercased("i\u0131"), "II");
  EXPECT_EQ(lowercased("\u0130"), "i\u0307");
  // Final sigma is context-sensitive in the full mapping.
  EXPECT_EQ(lowercased("\u039f\u0394\u039f\u03a3"), "\u03bf\u03b4\u03bf\u03c2");
}

// Letters and numbers of other scripts are covered through the engine's word boundaries.
TEST(CharacterProperties, Uppercase) {
  for (const char* upper : {"A", "\u00c9", "E\u0301", "\u03a3", "\u0429", "\u2167", "\u039f\u0301"}) {
    EXPECT_TRUE(isUppercase(upper)) << upper;
  }
  // Titlecase digraph, lowercase, uncased and unassigned-case characters are not.
  for (const char* other : {"a", "e\u0301", "\u01c5", "\u00df", "1", "\u4e2d", "\U0001F1EB\U0001F1F7", ""}) {
    EXPECT_FALSE(isUppercase(other)) << other;
  }
}

TEST(Utf8, SanitizingReplacesOnlyIllFormedSequences) {
  EXPECT_EQ(sanitizedUtf8("caf\u00e9 \U0001F600"), "caf\u00e9 \U0001F600");
  // Truncated at the end and before ASCII.
  EXPECT_EQ(sanitizedUtf8("a\xff" "b" "a\xe2\x82"), "a\uFFFD" "b" "a\uFFFD");
  EXPECT_EQ(sanitizedUtf8("\xe2\x82x"), "\uFFFDx");
  for (std::string bad : {"\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\x80\x80", "\xf0\x9f\x98"}) {
    EXPECT_FALSE(isValidUtf8(bad));
    EXPECT_TRUE(isValidUtf8(sanitizedUtf8(bad)) && sanitizedUtf8(bad).find("\uFFFD") != std::string::npos) << bad;
  }
  EXPECT_TRUE(isValidUtf8(std::string("a\0b", 3)));
}

TEST(Utf16, RoundTripsAndReplacesLoneSurrogates) {
  EXPECT_EQ(toUtf16("a\U0001F600\u00e9"), u"a\U0001F600\u00e9");
  EXPECT_EQ(fromUtf16(u"x\U0001F1EB\U0001F1F7"), "x\U0001F1EB\U0001F1F7");
  const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00};
  EXPECT_EQ(fromUtf16(std::u16string_view(lone, 4)), "a\uFFFD" "b\uFFFD");
}

}  // namespace
}  // namespace unicode
}  // namespace marlinet
