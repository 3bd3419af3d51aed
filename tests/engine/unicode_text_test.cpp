#include "engine/unicode_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace marlinet::unicode {
namespace {

using testing::ElementsAre;

TEST(Characters, SplitsIntoExtendedGraphemeClusters) {
  // Stacked marks, a flag and a lone indicator, a ZWJ family, a skin tone, conjoining jamo.
  const std::pair<const char*, std::size_t> cases[] = {
      {"\n\r", 2}, {"e\u0301\u0323x", 2}, {"\U0001F1EB\U0001F1F7\U0001F1E9", 2},
      {"\U0001F468\u200D\U0001F469\u200D\U0001F467", 1}, {"\U0001F44D\U0001F3FD!", 2}, {"\u1112\u1161\u11ab\u1112", 2},
  };
  for (const auto& [text, count] : cases) EXPECT_EQ(characterCount(text), count) << text;
  EXPECT_THAT(characters("a\r\ne\u0301\U0001F1EB\U0001F1F7"),
              ElementsAre("a", "\r\n", "e\u0301", "\U0001F1EB\U0001F1F7"));
  std::vector<std::size_t> bounds;
  characterBoundaries("ae\u0301b", bounds);
  EXPECT_THAT(bounds, ElementsAre(0u, 1u, 4u, 5u));
}

TEST(CaseMapping, IsFullAndLocaleIndependent) {
  EXPECT_EQ(uppercased("\u03cc\u03bb\u03b1"), "\u038c\u039b\u0391");  // root keeps the tonos
  // Turkish dotted and dotless I follow the root mapping, whatever the locale.
  EXPECT_EQ(uppercased("i\u0131"), "II");
  EXPECT_EQ(lowercased("\u0130"), "i\u0307");
  // Final sigma is context-sensitive in the full mapping.
  EXPECT_EQ(lowercased("\u039f\u0394\u039f\u03a3"), "\u03bf\u03b4\u03bf\u03c2");
  // lowercaseInto replaces whatever the output held.
  std::string out = "previous content that is long";
  lowercaseInto("AbC", out);
  EXPECT_EQ(out, "abc");
  lowercaseInto("\u0130\u00c9", out);
  EXPECT_EQ(out, "i\u0307\u00e9");
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
}  // namespace marlinet::unicode
