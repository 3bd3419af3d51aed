#include "replacements/replacement_library.h"

#include <gtest/gtest.h>

namespace marlinet {
namespace {

ParsedReplacements list(std::vector<Replacement> entries, std::int64_t nonASCII = 0) {
  return ParsedReplacements{std::move(entries), nonASCII, 0};
}

TEST(ReplacementLibraryTest, EmptyLibraryMergesToNothing) {
  const ReplacementLibrary library;
  EXPECT_TRUE(library.merged().empty());
  EXPECT_EQ(makeSummary(library, SystemListSource::none, std::nullopt),
            (ReplacementSummary{0, 0, 0, 0, SystemListSource::none, std::nullopt}));
}

TEST(ReplacementLibraryTest, ImportedOnlyKeepsFileOrder) {
  ReplacementLibrary library;
  library.imported = list({{"e", "5"}, {"a", "1"}, {"d", "4"}, {"b", "2"}, {"c", "3"}});
  EXPECT_EQ(library.merged(), library.imported.replacements);
  const auto summary = makeSummary(library, SystemListSource::none, Date{1.5});
  EXPECT_EQ(summary.count, 5);
  EXPECT_EQ(summary.systemCount, 0);
  EXPECT_EQ(summary.importedCount, 5);
  EXPECT_EQ(summary.importedAt, Date{1.5});
}

TEST(ReplacementLibraryTest, SystemWinsOnSharedShortcutAndCaseVariantsBothSurvive) {
  ReplacementLibrary library;
  library.system = list({{"omw", "system"}, {"Brb", "Be right back"}, {"ty", "Thank you"}}, 2);
  library.imported = list({{"omw", "imported"}, {"brb", "lower"}, {"brb", "second brb"}}, 3);
  const std::vector<Replacement> expected{
      {"omw", "system"}, {"Brb", "Be right back"}, {"ty", "Thank you"}, {"brb", "lower"}};
  EXPECT_EQ(library.merged(), expected);

  const auto summary = makeSummary(library, SystemListSource::globalDefaults, std::nullopt);
  EXPECT_EQ(summary, (ReplacementSummary{4, 3, 3, 5, SystemListSource::globalDefaults, std::nullopt}));
}

TEST(ReplacementLibraryTest, SystemEntriesAreNeverDroppedEvenWhenRepeated) {
  // The merge trusts the system list; only imported entries are filtered.
  ReplacementLibrary library;
  library.system = list({{"a", "1"}, {"a", "2"}});
  library.imported = list({{"a", "3"}});
  EXPECT_EQ(library.merged(), (std::vector<Replacement>{{"a", "1"}, {"a", "2"}}));
}

TEST(ReplacementLibraryTest, SummaryCountsSaturateInsteadOfOverflowing) {
  ReplacementLibrary library;
  library.system.skippedNonASCII = std::numeric_limits<std::int64_t>::max();
  library.imported.skippedNonASCII = 10;
  EXPECT_EQ(makeSummary(library, SystemListSource::none, std::nullopt).skippedNonASCII,
            std::numeric_limits<std::int64_t>::max());
}

TEST(ShortcutCharacterRuleTest, AcceptsExactlyPrintableAscii) {
  for (const char* allowed : {"omw", "on my way", "e.g.", "~x", " ", "!", "~", ""}) {
    EXPECT_FALSE(hasUnsupportedCharacters(allowed)) << allowed;
  }
  for (const char* refused : {"caf\u00e9", "\u2192", "a\tb", "x\n", "\x7f", "\x1f", "\ud55c\uad6d", "\u65e5\u672c",
                              "\u4e2d", "\xff", "\xc3"}) {
    EXPECT_TRUE(hasUnsupportedCharacters(refused)) << refused;
  }
  EXPECT_TRUE(hasUnsupportedCharacters(std::string_view("a\0b", 3)));
}

}  // namespace
}  // namespace marlinet
