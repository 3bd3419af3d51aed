#include "engine/unicode_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace marlinet::unicode {
namespace {

using testing::ElementsAre;

TEST(Characters, CountsExtendedGraphemeClusters) {
  const std::pair<const char*, std::size_t> cases[] = {
      {"", 0},
      {"a\r\nb", 3},
      {"\n\r", 2},
      {"e\u0301\u0323x", 2},                                   // stacked combining marks
      {"\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA", 2},         // two flags
      {"\U0001F1EB\U0001F1F7\U0001F1E9", 2},                   // a flag and a lone indicator
      {"\U0001F468\u200D\U0001F469\u200D\U0001F467", 1},       // ZWJ family
      {"\U0001F3F3\uFE0F\u200D\U0001F308", 1},                 // rainbow flag
      {"\U0001F44D\U0001F3FD!", 2},                             // skin tone modifier
      {"\u1112\u1161\u11ab\u1112", 2},                         // conjoining jamo
      {"ok\U0001F600ok", 5},
  };
  for (const auto& [text, count] : cases) {
    EXPECT_EQ(characterCount(text), count) << text;
    EXPECT_EQ(characters(text).size(), count) << text;
  }
}

TEST(Characters, SplitsAtClusterBoundaries) {
  EXPECT_THAT(characters("a\r\ne\u0301\U0001F1EB\U0001F1F7"),
              ElementsAre("a", "\r\n", "e\u0301", "\U0001F1EB\U0001F1F7"));
  std::vector<std::size_t> bounds;
  characterBoundaries("ae\u0301b", bounds);
  EXPECT_THAT(bounds, ElementsAre(0u, 1u, 4u, 5u));
}

TEST(CaseMapping, IsFullAndLocaleIndependent) {
  EXPECT_EQ(uppercased("stra\u00dfe"), "STRASSE");
  EXPECT_EQ(uppercased("\ufb01ne"), "FINE");
  EXPECT_EQ(uppercased("\u03cc\u03bb\u03b1"), "\u038c\u039b\u0391");  // root keeps the tonos
  EXPECT_EQ(uppercased("\u0449\u0438"), "\u0429\u0418");
  // Turkish dotted and dotless I follow the root mapping, whatever the locale.
  EXPECT_EQ(uppercased("i"), "I");
  EXPECT_EQ(lowercased("I"), "i");
  EXPECT_EQ(lowercased("\u0130"), "i\u0307");
  EXPECT_EQ(uppercased("\u0131"), "I");
  // Final sigma is context-sensitive in the full mapping.
  EXPECT_EQ(lowercased("\u039f\u0394\u039f\u03a3"), "\u03bf\u03b4\u03bf\u03c2");
}

TEST(CaseMapping, LowercaseIntoReusesTheOutput) {
  std::string out = "previous content that is long";
  lowercaseInto("AbC", out);
  EXPECT_EQ(out, "abc");
  lowercaseInto("\u0130\u00c9", out);
  EXPECT_EQ(out, "i\u0307\u00e9");
}

TEST(CharacterProperties, LettersAndNumbersOfAnyScript) {
  for (const char* letter : {"a", "Z", "\u00e9", "\u044f", "\u4e2d", "\u0915", "\u05d0", "e\u0301"}) {
    EXPECT_TRUE(isLetter(letter)) << letter;
    EXPECT_FALSE(isNumber(letter)) << letter;
  }
  for (const char* number : {"0", "9", "\u0968", "\u0663", "\u00bd", "\u2167", "\u2460"}) {
    EXPECT_TRUE(isNumber(number)) << number;
  }
  for (const char* neither : {" ", "-", "(", "'", "\U0001F600", "\uE000", "\u0301", ""}) {
    EXPECT_FALSE(isLetter(neither)) << neither;
    EXPECT_FALSE(isNumber(neither)) << neither;
  }
}

TEST(CharacterProperties, Uppercase) {
  for (const char* upper : {"A", "\u00c9", "E\u0301", "\u03a3", "\u0429", "\u2167", "\u039f\u0301"}) {
    EXPECT_TRUE(isUppercase(upper)) << upper;
  }
  // Titlecase digraph, lowercase, uncased and unassigned-case characters are not.
  for (const char* notUpper : {"a", "e\u0301", "\u01c5", "\u00df", "1", "\u4e2d", "\U0001F1EB\U0001F1F7", " ", ""}) {
    EXPECT_FALSE(isUppercase(notUpper)) << notUpper;
  }
}

TEST(Utf8, SanitizingReplacesOnlyIllFormedSequences) {
  EXPECT_EQ(sanitizedUtf8("caf\u00e9 \U0001F600"), "caf\u00e9 \U0001F600");
  EXPECT_EQ(sanitizedUtf8("a\xff" "b"), "a\uFFFD" "b");
  EXPECT_EQ(sanitizedUtf8("a\xe2\x82"), "a\uFFFD");  // truncated at the end
  EXPECT_EQ(sanitizedUtf8("\xe2\x82x"), "\uFFFDx");  // truncated before ASCII
  for (std::string bad : {"\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\x80\x80", "\xf0\x9f\x98"}) {
    EXPECT_FALSE(isValidUtf8(bad));
    const std::string clean = sanitizedUtf8(bad);
    EXPECT_TRUE(isValidUtf8(clean));
    EXPECT_NE(clean.find("\uFFFD"), std::string::npos);
  }
  EXPECT_TRUE(isValidUtf8(std::string("a\0b", 3)));
}

TEST(Utf16, RoundTripsAndReplacesLoneSurrogates) {
  EXPECT_EQ(toUtf16("a\U0001F600\u00e9"), u"a\U0001F600\u00e9");
  EXPECT_EQ(fromUtf16(u"x\U0001F1EB\U0001F1F7"), "x\U0001F1EB\U0001F1F7");
  const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00};
  EXPECT_EQ(fromUtf16(std::u16string_view(lone, 4)), "a\uFFFD" "b\uFFFD");
}

TEST(Normalization, ComposesWithoutFoldingCase) {
  EXPECT_EQ(nfc("e\u0301"), "\u00e9");
  EXPECT_EQ(nfc("E\u0301"), "\u00c9");
  EXPECT_TRUE(canonicallyEqual("\u1112\u1161\u11ab", "\ud55c"));
  EXPECT_TRUE(canonicallyEqual("a\u0323\u0301", "a\u0301\u0323"));  // marks reordered
  EXPECT_FALSE(canonicallyEqual("\u00e9", "\u00c9"));
  EXPECT_FALSE(canonicallyEqual("\ufb01", "fi"));  // compatibility, not canonical
}

}  // namespace
}  // namespace marlinet::unicode
