#include "replacements/system_replacement_reader.h"
#include "replacements/system_replacements.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "support/replacements/fake_system_replacement_reading.h"

namespace marlinet {
namespace {

using testing::FakeSystemReplacementReading;

PropertyList record(std::string replace, std::string with, std::optional<PropertyList> on = std::nullopt) {
  PropertyList::Dictionary fields{{"replace", PropertyList(std::move(replace))}, {"with", PropertyList(std::move(with))}};
  if (on) fields.emplace("on", *on);
  return PropertyList(std::move(fields));
}

TEST(ReadSystemReplacementsTest, UsableGlobalListWinsWithoutAskingTheSpellChecker) {
  FakeSystemReplacementReading reader;
  reader.global = {record("omw", "On my way"), record("brb", "Be right back"), record("ty", "Thank you")};
  reader.spellChecker = {{"sc", "spell"}};
  const auto [parsed, source] = readSystemReplacements(reader);
  EXPECT_EQ(source, SystemListSource::globalDefaults);
  EXPECT_EQ(parsed.replacements.size(), 3u);
  EXPECT_EQ(reader.spellCheckerReads, 0);
}

TEST(ReadSystemReplacementsTest, GlobalListWithOnlyCountedSkipsStillAnswers) {
  FakeSystemReplacementReading reader;
  reader.global = {record("a", "1", PropertyList(0)), record("b", "2", PropertyList(false)),
                   record("c", "3", PropertyList("FALSE"))};
  reader.spellChecker = {{"sc", "spell"}};
  EXPECT_EQ(readSystemReplacements(reader),
            std::pair(ParsedReplacements{{}, 0, 3}, SystemListSource::globalDefaults));
  EXPECT_EQ(reader.spellCheckerReads, 0);

  reader.global = {record("\xed\x95\x9c", "Hangul")};
  EXPECT_EQ(readSystemReplacements(reader),
            std::pair(ParsedReplacements{{}, 1, 0}, SystemListSource::globalDefaults));
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
              std::pair(ParsedReplacements{{{"a", "one"}, {"b", "two"}}, 0, 0}, SystemListSource::spellChecker));
  }
}

TEST(ReadSystemReplacementsTest, SpellCheckerAnswersWhateverItsParseYields) {
  FakeSystemReplacementReading reader;
  reader.spellChecker = {{"\xed\x95\x9c", "Hangul"}};
  EXPECT_EQ(readSystemReplacements(reader), std::pair(ParsedReplacements{{}, 1, 0}, SystemListSource::spellChecker));

  reader.spellChecker.clear();
  EXPECT_EQ(readSystemReplacements(reader), std::pair(ParsedReplacements{}, SystemListSource::none));
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

TEST_F(SystemReplacementReaderTest, RootArrayIsTheGlobalList) {
  const auto reader = readerFor("system_records.binary.plist");
  ASSERT_TRUE(reader.globalReplacementItems().has_value());
  EXPECT_EQ(reader.globalReplacementItems()->size(), 2u);
  EXPECT_TRUE(reader.spellCheckerReplacements().empty());
  EXPECT_EQ(readSystemReplacements(reader).second, SystemListSource::globalDefaults);
}

TEST_F(SystemReplacementReaderTest, RootDictionaryIsTheSpellCheckerMap) {
  const auto reader = readerFor("root_dictionary.xml.plist");
  EXPECT_FALSE(reader.globalReplacementItems().has_value());
  EXPECT_EQ(reader.spellCheckerReplacements().size(), 5u);
  const auto [parsed, source] = readSystemReplacements(reader);
  EXPECT_EQ(source, SystemListSource::spellChecker);
  EXPECT_EQ(parsed.replacements.size(), 3u);
}

TEST_F(SystemReplacementReaderTest, MissingOrBrokenFilesHaveNeitherSource) {
  const SystemReplacementReader missing(folder_ / "absent.plist", std::make_shared<LocalFileSystem>());
  EXPECT_EQ(readSystemReplacements(missing), std::pair(ParsedReplacements{}, SystemListSource::none));
  for (const char* file : {"truncated_binary.raw.plist", "binary_garbage.raw.plist", "root_text.xml.plist"}) {
    EXPECT_EQ(readSystemReplacements(readerFor(file)), std::pair(ParsedReplacements{}, SystemListSource::none))
        << file;
  }
  // A folder where the file should be.
  std::filesystem::create_directories(folder_ / "dir.plist");
  const SystemReplacementReader folder(folder_ / "dir.plist", std::make_shared<LocalFileSystem>());
  EXPECT_EQ(readSystemReplacements(folder).second, SystemListSource::none);
}

TEST(SystemListCacheTest, ParsesAgainOnlyWhenTheRevisionChanges) {
  FakeSystemReplacementReading reader;
  reader.global = {record("omw", "On my way")};
  SystemListCache cache;
  reader.revisionToken = "1";
  EXPECT_EQ(cache.read(reader).first.replacements.size(), 1u);
  reader.global = {record("omw", "On my way"), record("brb", "Be right back")};
  EXPECT_EQ(cache.read(reader).first.replacements.size(), 1u) << "same revision: the last answer";
  EXPECT_EQ(reader.globalReads, 1);
  reader.revisionToken = "2";
  EXPECT_EQ(cache.read(reader).first.replacements.size(), 2u);
  reader.revisionToken.reset();  // a reader that cannot tell is read every time
  cache.read(reader);
  cache.read(reader);
  EXPECT_EQ(reader.globalReads, 4);
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
