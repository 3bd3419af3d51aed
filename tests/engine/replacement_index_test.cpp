#include "engine/replacement_index.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/replacement.h"

namespace marlinet {
namespace {

using testing::ElementsAre;
using List = std::vector<Replacement>;

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
}  // namespace marlinet
