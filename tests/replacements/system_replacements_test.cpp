#include "replacements/system_replacement_reader.h"
#include "replacements/system_replacements.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/replacements/fake_system_replacement_reading.h"

namespace marlinet {
namespace {

using testing::FakeSystemReplacementReading;
using Answer = std::pair<ParsedReplacements, SystemListSource>;

PropertyList record(std::string replace, std::string with, std::optional<PropertyList> on = std::nullopt) {
  PropertyList::Dictionary fields{{"replace", PropertyList(std::move(replace))}, {"with", PropertyList(std::move(with))}};
  if (on) fields.emplace("on", *on);
  return PropertyList(std::move(fields));
}

TEST(ReadSystemReplacementsTest, GlobalListWithEntriesOrCountedSkipsWinsWithoutAskingTheSpellChecker) {
  const std::pair<std::vector<PropertyList>, ParsedReplacements> cases[] = {
      {{record("omw", "On my way"), record("brb", "Be right back")}, {{{"omw", "On my way"}, {"brb", "Be right back"}}, 0, 0}},
      {{record("a", "1", PropertyList(0)), record("b", "2", PropertyList("FALSE"))}, {{}, 0, 2}},
      {{record("\xed\x95\x9c", "Hangul")}, {{}, 1, 0}},
  };
  for (const auto& [global, expected] : cases) {
    FakeSystemReplacementReading reader;
    reader.global = global;
    reader.spellChecker = {{"sc", "spell"}};
    EXPECT_EQ(readSystemReplacements(reader), Answer(expected, SystemListSource::globalDefaults));
    EXPECT_EQ(reader.spellCheckerReads, 0);
  }
}

TEST(ReadSystemReplacementsTest, FallsBackToTheSpellCheckerWhenTheGlobalListYieldsNothing) {
  const std::vector<std::optional<std::vector<PropertyList>>> nothingUsable{
      std::nullopt,
      std::vector<PropertyList>{},
      std::vector<PropertyList>{PropertyList(PropertyList::Dictionary{{"with", PropertyList("x")}}), PropertyList(3)},
      std::vector<PropertyList>{record("  ", "blank shortcut"), record("x", "")},
  };
  for (const auto& global : nothingUsable) {
    FakeSystemReplacementReading reader;
    reader.global = global;
    reader.spellChecker = {{"b", "two"}, {"a", "one"}};
    EXPECT_EQ(readSystemReplacements(reader),
              Answer(ParsedReplacements{{{"a", "one"}, {"b", "two"}}, 0, 0}, SystemListSource::spellChecker));
    // A spell-checker list that yields only skips still answers; an empty one does not.
    reader.spellChecker = {{"\xed\x95\x9c", "Hangul"}};
    EXPECT_EQ(readSystemReplacements(reader), Answer(ParsedReplacements{{}, 1, 0}, SystemListSource::spellChecker));
    reader.spellChecker.clear();
    EXPECT_EQ(readSystemReplacements(reader), Answer(ParsedReplacements{}, SystemListSource::none));
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
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("marlinet-reader-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  SystemReplacementReader readerFor(const std::string& dataFile) {
    const auto target = folder_ / "text-replacements.plist";
    std::filesystem::copy_file(std::filesystem::path(MARLINET_REPLACEMENTS_TEST_DATA) / "parse" / dataFile, target,
                               std::filesystem::copy_options::overwrite_existing);
    return SystemReplacementReader(target, std::make_shared<LocalFileSystem>());
  }

  std::filesystem::path folder_;
};

TEST_F(SystemReplacementReaderTest, RootArrayIsTheGlobalListAndRootDictionaryTheSpellCheckerMap) {
  const auto array = readerFor("system_records.binary.plist");
  ASSERT_TRUE(array.globalReplacementItems().has_value());
  EXPECT_EQ(array.globalReplacementItems()->size(), 2u);
  EXPECT_TRUE(array.spellCheckerReplacements().empty());

  const auto dictionary = readerFor("root_dictionary.xml.plist");
  EXPECT_FALSE(dictionary.globalReplacementItems().has_value());
  EXPECT_EQ(dictionary.spellCheckerReplacements().size(), 5u);
  EXPECT_EQ(readSystemReplacements(dictionary).second, SystemListSource::spellChecker);
}

TEST_F(SystemReplacementReaderTest, MissingOrBrokenFilesHaveNeitherSource) {
  std::filesystem::create_directories(folder_ / "dir.plist");  // a folder where the file should be
  for (const char* path : {"absent.plist", "dir.plist"}) {
    const SystemReplacementReader reader(folder_ / path, std::make_shared<LocalFileSystem>());
    EXPECT_EQ(readSystemReplacements(reader), Answer(ParsedReplacements{}, SystemListSource::none)) << path;
  }
  for (const char* file : {"truncated_binary.raw.plist", "binary_garbage.raw.plist", "root_text.xml.plist"}) {
    EXPECT_EQ(readSystemReplacements(readerFor(file)), Answer(ParsedReplacements{}, SystemListSource::none)) << file;
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

TEST_F(SystemReplacementReaderTest, StandardLocationFollowsXdgConfigHome) {
  ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  const SystemReplacementReader reader("org.example.test");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(reader.fileURL(), folder_ / "org.example.test" / "text-replacements.plist");
}

}  // namespace
}  // namespace marlinet
