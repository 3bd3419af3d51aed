#include "engine/replacement_index.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/replacement.h"

namespace marlinet {
namespace {

using testing::ElementsAre;
using List = std::vector<Replacement>;
using testing::Pair;
using testing::UnorderedElementsAre;

TEST(Replacement, EqualityIsCanonicalEquivalenceWithoutCaseFolding) {
  const Replacement precomposed{"caf\u00e9", "r\u00e9sum\u00e9"};
  const Replacement decomposed{"cafe\u0301", "re\u0301sume\u0301"};
  EXPECT_EQ(precomposed, decomposed);
  EXPECT_EQ(std::hash<Replacement>{}(precomposed), std::hash<Replacement>{}(decomposed));

  // Hangul syllable vs its conjoining jamo.
  EXPECT_EQ((Replacement{"\ud55c", "x"}), (Replacement{"\u1112\u1161\u11ab", "x"}));

  EXPECT_NE((Replacement{"Omw", "on my way"}), (Replacement{"omw", "on my way"}));
  EXPECT_NE((Replacement{"omw", "On my way"}), (Replacement{"omw", "on my way"}));
  EXPECT_NE((Replacement{"ab", "c"}), (Replacement{"a", "bc"}));
  EXPECT_NE((Replacement{"x", "y"}), (Replacement{"y", "x"}));
}

TEST(ReplacementIndex, EmptyListGivesEmptyIndex) {
  const ReplacementIndex index{std::vector<Replacement>{}};
  EXPECT_TRUE(index.byLowercased().empty());
  EXPECT_EQ(index.maxLength(), 0);
  EXPECT_EQ(index, ReplacementIndex{});
}

TEST(ReplacementIndex, CaseVariantsShareOneKeyInInputOrder) {
  const Replacement upper{"BTW", "by the way"};
  const Replacement lower{"btw", "btw lower"};
  const Replacement title{"Btw", "btw title"};
  const Replacement other{"omw", "on my way"};
  const ReplacementIndex index({upper, other, lower, title});

  EXPECT_THAT(index.byLowercased(),
              UnorderedElementsAre(Pair("btw", ElementsAre(upper, lower, title)), Pair("omw", ElementsAre(other))));
  ASSERT_NE(index.find("btw"), nullptr);
  EXPECT_THAT(*index.find("btw"), ElementsAre(upper, lower, title));
  EXPECT_EQ(index.find("BTW"), nullptr);  // keys are already folded
  EXPECT_EQ(index.find("xyz"), nullptr);
}

TEST(ReplacementIndex, KeepsDuplicatesAndFiltersNothing) {
  const Replacement a{"omw", "first"};
  const Replacement b{"omw", "second"};
  const Replacement blank{" x ", ""};
  const ReplacementIndex index({a, b, a, blank});
  EXPECT_THAT(*index.find("omw"), ElementsAre(a, b, a));
  EXPECT_THAT(*index.find(" x "), ElementsAre(blank));
}

TEST(ReplacementIndex, KeysUseFullLocaleIndependentLowercase) {
  // Non-ASCII shortcuts never come from the parsers, but the index must not mangle them.
  const ReplacementIndex index({{"\u0130X", "dotted"}, {"\u0429\u0418", "shchi"}, {"\u03a3\u03a3", "sigma"}});
  EXPECT_NE(index.find("i\u0307x"), nullptr);
  EXPECT_NE(index.find("\u0449\u0438"), nullptr);
  EXPECT_EQ(index.byLowercased().size(), 3u);
}

TEST(ReplacementIndex, CanonicallyEquivalentShortcutsShareAKey) {
  const Replacement precomposed{"caf\u00e9", "a"};
  const Replacement decomposed{"CAFE\u0301", "b"};
  const ReplacementIndex index({precomposed, decomposed});
  EXPECT_EQ(index.byLowercased().size(), 1u);
  ASSERT_NE(index.find("caf\u00e9"), nullptr);
  EXPECT_THAT(*index.find("caf\u00e9"), ElementsAre(precomposed, decomposed));
}

TEST(ReplacementIndex, MaxLengthCountsCharactersOfTheLongestShortcut) {
  EXPECT_EQ(ReplacementIndex(List{{"a", "1"}, {"b", "2"}, {"omw", "3"}}).maxLength(), 3);
  // The longest list does not matter, only the longest shortcut.
  EXPECT_EQ(ReplacementIndex(List{{"a", "1"}, {"A", "2"}, {"a", "3"}, {"xyzzy", "4"}}).maxLength(), 5);
  // Characters, not bytes or code points: two flags, a combining sequence, CR LF.
  EXPECT_EQ(ReplacementIndex(List{{"\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA", "flags"}}).maxLength(), 2);
  EXPECT_EQ(ReplacementIndex(List{{"e\u0301e\u0301", "x"}}).maxLength(), 2);
  EXPECT_EQ(ReplacementIndex(List{{"a\r\nb", "x"}}).maxLength(), 3);
}

}  // namespace
}  // namespace marlinet
