#include "replacements/replacement_library.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "replacements/shortcut_set.h"

namespace marlinet {
namespace {

ParsedReplacements list(std::vector<Replacement> entries, std::int64_t nonASCII = 0) {
  return ParsedReplacements{std::move(entries), nonASCII, 0};
}

TEST(ReplacementLibraryTest, SystemEntriesAllStayAndWinOverImportedOnesWithTheSameShortcut) {
  ReplacementLibrary library;
  // The merge trusts the system list, repeats and all; only imported entries are filtered.
  library.system = list({{"omw", "system"}, {"Brb", "Be right back"}, {"omw", "again"}}, 2);
  library.imported = list({{"omw", "imported"}, {"brb", "lower"}, {"a", "first"}, {"brb", "second brb"}}, 3);
  const std::vector<Replacement> expected{
      {"omw", "system"}, {"Brb", "Be right back"}, {"omw", "again"}, {"brb", "lower"}, {"a", "first"}};
  EXPECT_EQ(library.merged(), expected);
  EXPECT_EQ(makeSummary(library, SystemListSource::globalDefaults, Date{1.5}),
            (ReplacementSummary{5, 3, 4, 5, SystemListSource::globalDefaults, Date{1.5}}));
  // Counts from a hand-edited file saturate instead of overflowing.
  library.system.skippedNonASCII = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(makeSummary(library, SystemListSource::none, std::nullopt).skippedNonASCII,
            std::numeric_limits<std::int64_t>::max());
}

TEST(ShortcutCharacterRuleTest, AcceptsExactlyPrintableAscii) {
  for (const char* allowed : {"on my way", "e.g.", " ", "~", ""}) EXPECT_FALSE(hasUnsupportedCharacters(allowed));
  for (const char* refused : {"caf\u00e9", "\u2192", "a\tb", "\x7f", "\x1f", "\u4e2d", "\xff", "\xc3"}) {
    EXPECT_TRUE(hasUnsupportedCharacters(refused)) << refused;
  }
  EXPECT_TRUE(hasUnsupportedCharacters(std::string_view("a\0b", 3)));
}

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
