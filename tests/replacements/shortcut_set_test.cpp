#include "replacements/shortcut_set.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace marlinet {
namespace {

TEST(ShortcutSetTest, KeepsEachTextOnceWhileGrowingPastWhatWasExpected) {
  std::vector<std::string> texts{"", " "};
  for (int i = 0; i < 1000; ++i) texts.push_back("s" + std::to_string(i));
  ShortcutSet set(10);
  // The empty text, even without data, is a text like any other, not a free slot.
  EXPECT_TRUE(set.insert(std::string_view{}));
  for (const std::string& text : texts) EXPECT_EQ(set.insert(text), !text.empty()) << text;
  // Equal content held elsewhere is a repeat, after every growth.
  for (const std::string& text : texts) EXPECT_FALSE(set.insert(std::string(text))) << text;
  EXPECT_EQ(set.size(), texts.size());
}

}  // namespace
}  // namespace marlinet
