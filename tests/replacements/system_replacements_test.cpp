#include "replacements/system_replacement_reader.h"
#include "replacements/system_replacements.h"

#include <gtest/gtest.h>

#include "support/replacements/fake_system_replacement_reading.h"
#include "support/temporary_folder.h"

namespace marlinet {
namespace {

using testing::FakeSystemReplacementReading;
using Answer = std::pair<ParsedReplacements, SystemListSource>;

PropertyList record(std::string replace, std::string with, std::optional<PropertyList> on = std::nullopt) {
  PropertyList::Dictionary fields{{"replace", PropertyList(std::move(replace))}, {"with", PropertyList(std::move(with))}};
  if (on) fields.emplace("on", *on);
  return PropertyList(std::move(fields));
}

// The global list wins when it has entries or counted skips, without asking the
// spell checker; otherwise the spell checker's map answers if it has anything.
TEST(ReadSystemReplacementsTest, GlobalListFirstThenTheSpellChecker) {
  using Items = std::vector<PropertyList>;
  const std::map<std::string, std::string> spell{{"b", "two"}, {"a", "one"}};
  const Answer fromSpell{{{{"a", "one"}, {"b", "two"}}, 0, 0}, SystemListSource::spellChecker};
  const struct {
    std::optional<Items> global;
    std::map<std::string, std::string> spellChecker;
    Answer answer;
  } cases[] = {
      {Items{record("omw", "On my way"), record("brb", "Be right back")}, spell,
       {{{{"omw", "On my way"}, {"brb", "Be right back"}}, 0, 0}, SystemListSource::globalDefaults}},
      {Items{record("a", "1", PropertyList(0)), record("b", "2", PropertyList("FALSE"))}, spell,
       {{{}, 0, 2}, SystemListSource::globalDefaults}},
      {Items{record("\xed\x95\x9c", "Hangul")}, spell, {{{}, 1, 0}, SystemListSource::globalDefaults}},
      {std::nullopt, spell, fromSpell},
      {Items{record("  ", "blank shortcut"), record("x", "")}, spell, fromSpell},
      {std::nullopt, {{"\xed\x95\x9c", "Hangul"}}, {{{}, 1, 0}, SystemListSource::spellChecker}},
      {Items{record("x", "")}, {}, {{}, SystemListSource::none}},
  };
  int row = 0;
  for (const auto& [global, spellChecker, answer] : cases) {
    SCOPED_TRACE(row++);
    FakeSystemReplacementReading reader;
    reader.global = global;
    reader.spellChecker = spellChecker;
    EXPECT_EQ(readSystemReplacements(reader), answer);
    EXPECT_EQ(reader.spellCheckerReads == 0, answer.second == SystemListSource::globalDefaults);
  }
}

TEST(SystemListCacheTest, ParsesAgainOnlyWhenTheRevisionChanges) {
  FakeSystemReplacementReading reader;
  reader.global = {record("omw", "On my way")};
  SystemListCache cache;
  reader.revisionToken = "1";
  EXPECT_EQ(cache.read(reader).first.replacements.size(), 1u);
  reader.global = {record("omw", "On my way"), record("brb", "Be right back")};
  EXPECT_EQ(cache.read(reader).first.replacements.size(), 1u) << "same revision: the last answer";
  reader.revisionToken = "2";
  EXPECT_EQ(cache.read(reader).first.replacements.size(), 2u);
  reader.revisionToken.reset();  // a reader that cannot tell is read every time
  cache.read(reader);
  cache.read(reader);
  EXPECT_EQ(reader.globalReads, 4);
}

// --- The file-backed reader ---------------------------------------------------

class SystemReplacementReaderTest : public ::testing::Test {
 protected:
  SystemReplacementReader readerFor(const std::string& dataFile) {
    const auto target = folder_ / "text-replacements.plist";
    std::filesystem::copy_file(std::filesystem::path(MARLINET_GENERATED_TEST_DATA) / dataFile, target,
                               std::filesystem::copy_options::overwrite_existing);
    return SystemReplacementReader(target, std::make_shared<LocalFileSystem>());
  }

  testing::TemporaryFolder folder_;
};

// A root array is the global list and a root dictionary the spell checker's map;
// a missing or broken file is neither.
TEST_F(SystemReplacementReaderTest, TheFileDecidesTheSource) {
  const std::tuple<const char*, SystemListSource, std::size_t> files[] = {
      {"system_records.binary.plist", SystemListSource::globalDefaults, 2},
      {"root_dictionary.xml.plist", SystemListSource::spellChecker, 3},
      {"truncated_binary.raw.plist", SystemListSource::none, 0},
      {"root_text.xml.plist", SystemListSource::none, 0}};
  for (const auto& [file, source, count] : files) {
    const auto [parsed, answer] = readSystemReplacements(readerFor(file));
    EXPECT_EQ(answer, source) << file;
    EXPECT_EQ(parsed.replacements.size(), count) << file;
  }
  EXPECT_FALSE(readerFor("root_dictionary.xml.plist").globalReplacementItems().has_value());
  std::filesystem::create_directories(folder_ / "dir.plist");  // a folder where the file should be
  for (const char* path : {"absent.plist", "dir.plist"}) {
    const SystemReplacementReader reader(folder_ / path, std::make_shared<LocalFileSystem>());
    EXPECT_EQ(readSystemReplacements(reader), Answer(ParsedReplacements{}, SystemListSource::none)) << path;
  }
}

TEST_F(SystemReplacementReaderTest, RevisionFollowsEditsOfTheFile) {
  const auto reader = readerFor("system_records.binary.plist");
  const auto first = reader.revision();
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(reader.revision(), first);
  readerFor("root_dictionary.xml.plist");  // replaces the file
  EXPECT_NE(reader.revision(), first);
  std::filesystem::remove(*reader.fileURL());
  EXPECT_EQ(reader.revision(), "missing");
}

}  // namespace
}  // namespace marlinet
