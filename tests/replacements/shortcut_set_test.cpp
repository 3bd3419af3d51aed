#include "replacements/shortcut_set.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace marlinet {
namespace {

TEST(ShortcutSetTest, KeepsEachTextOnceWhileGrowingPastWhatWasExpected) {
  std::vector<std::string> texts;
  for (int i = 0; i < 1000; ++i) texts.push_back("s" + std::to_string(i));
  ShortcutSet set(10);
  for (const std::string& text : texts) EXPECT_TRUE(set.insert(text)) << text;
  // Equal content held elsewhere is a repeat, before and after every growth.
  for (const std::string& text : texts) EXPECT_FALSE(set.insert(std::string(text))) << text;
  EXPECT_EQ(set.size(), texts.size());
}

TEST(ShortcutSetTest, TheEmptyTextIsATextLikeAnyOther) {
  ShortcutSet set;
  EXPECT_TRUE(set.insert(std::string_view{}));
  EXPECT_FALSE(set.insert(""));
  EXPECT_TRUE(set.insert(" "));
  EXPECT_EQ(set.size(), 2u);
}

}  // namespace
}  // namespace marlinet
