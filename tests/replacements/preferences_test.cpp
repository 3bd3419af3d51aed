#include "replacements/preferences.h"

#include <gtest/gtest.h>

#include <set>
#include <nlohmann/json.hpp>

#include "replacements/file_user_defaults.h"
#include "support/replacements/faulty_file_system.h"
#include "support/replacements/in_memory_user_defaults.h"
#include "support/temporary_folder.h"

namespace marlinet {
namespace {

namespace fs = std::filesystem;
using testing::InMemoryUserDefaults;

PropertyList textArray(const std::vector<std::string>& texts) {
  return PropertyList(PropertyList::Array(texts.begin(), texts.end()));
}

std::set<std::string> idsOf(std::span<const ExcludedApp> table) {
  std::set<std::string> ids;
  for (const auto& app : table) ids.emplace(app.bundleIdentifier);
  return ids;
}

TEST(PreferencesTest, DefaultsAnswerUntilChangedAndAgainAfterAReset) {
  InMemoryUserDefaults defaults;
  Preferences preferences(defaults);
  EXPECT_TRUE(preferences.expansionEnabled());
  EXPECT_EQ(preferences.excludedBundleIDs(), idsOf(Preferences::defaultExcludedApps));
  EXPECT_TRUE(defaults.persistent.empty());

  // Stored sorted, case kept.
  preferences.setExcludedBundleIDs({"com.example.editor", "Com.Example.Upper", "b.app"});
  EXPECT_EQ(defaults.persistent.at("excludedBundleIDs"),
            textArray({"Com.Example.Upper", "b.app", "com.example.editor"}));
  // A second Preferences over the same store sees the change: nothing is cached.
  Preferences(defaults).setExpansionEnabled(false);
  EXPECT_FALSE(preferences.expansionEnabled());

  // Another desktop's table is what it starts with and what a reset brings back.
  InMemoryUserDefaults linuxStore;
  Preferences onLinux(linuxStore, Preferences::linuxExcludedApps);
  EXPECT_EQ(onLinux.excludedBundleIDs(), idsOf(Preferences::linuxExcludedApps));
  onLinux.setExcludedBundleIDs({});
  onLinux.resetExcludedBundleIDs();
  EXPECT_EQ(onLinux.excludedBundleIDs(), idsOf(Preferences::linuxExcludedApps));
}

TEST(PreferencesTest, WrongTypesReadAsFalseAndEmptyNotAsDefaults) {
  InMemoryUserDefaults defaults;
  const Preferences preferences(defaults);
  const PropertyList mixed(PropertyList::Array{PropertyList("com.apple.Safari"), PropertyList(2)});
  for (const PropertyList& notTextArray : {PropertyList("com.apple.Safari"), mixed}) {
    defaults.setObject("excludedBundleIDs", notTextArray);
    EXPECT_TRUE(preferences.excludedBundleIDs().empty());
  }
  // Numbers are Booleans' kin and read by their truth value; texts are not.
  const std::pair<PropertyList, bool> enabled[] = {{PropertyList("true"), false}, {PropertyList(1), true},
                                                   {PropertyList(0), false}};
  for (const auto& [stored, expected] : enabled) {
    defaults.setObject("expansionEnabled", stored);
    EXPECT_EQ(preferences.expansionEnabled(), expected);
  }
}

// --- Settings kept in a file ------------------------------------------------

class FileUserDefaultsTest : public ::testing::Test {
 protected:
  std::string content() const { return testing::readBytes(file_); }
  void plant(std::string_view bytes) const { testing::writeBytes(file_, bytes); }

  testing::TemporaryFolder root_;
  fs::path file_ = root_ / "app" / "settings.json";
  std::shared_ptr<testing::FaultyFileSystem> fileSystem_ = std::make_shared<testing::FaultyFileSystem>();
};

TEST_F(FileUserDefaultsTest, SettingsSurviveARestartDefaultsAreNeverWrittenAndFailedWritesKeepTheFile) {
  {
    FileUserDefaults store(file_, fileSystem_);
    Preferences preferences(store);
    EXPECT_TRUE(preferences.expansionEnabled());
    EXPECT_FALSE(fs::exists(file_));
    preferences.setExpansionEnabled(false);
    preferences.setExcludedBundleIDs({"b.app", "a.app"});
  }
  FileUserDefaults store(file_, fileSystem_);
  Preferences preferences(store);
  EXPECT_FALSE(preferences.expansionEnabled());
  EXPECT_EQ(preferences.excludedBundleIDs(), (std::set<std::string>{"a.app", "b.app"}));
  EXPECT_EQ(nlohmann::json::parse(content()),
            nlohmann::json::parse(R"({"expansionEnabled":false,"excludedBundleIDs":["a.app","b.app"]})"));

  preferences.resetExcludedBundleIDs();
  EXPECT_EQ(nlohmann::json::parse(content()), nlohmann::json::parse(R"({"expansionEnabled":false})"));

  // A failed write leaves the file as it was; the value holds for the session.
  fileSystem_->failWrites = true;
  preferences.setExcludedBundleIDs({"x.app"});
  EXPECT_EQ(preferences.excludedBundleIDs(), (std::set<std::string>{"x.app"}));
  EXPECT_EQ(nlohmann::json::parse(content()), nlohmann::json::parse(R"({"expansionEnabled":false})"));
}

TEST_F(FileUserDefaultsTest, DamagedFileReadsAsDefaultsUntilAChangeReplacesIt) {
  const std::string off = "{\"expansionEnabled\":false,";
  for (const std::string& damaged :
       {std::string("{\"expansionEnabled\": fal"), std::string("[1,2]"), std::string("\xff\xfe garbage"),
        std::string(200000, '{'),
        // Well formed, but larger than a settings file or nested deeper than a value can be.
        off + "\"x\":\"" + std::string(FileUserDefaults::maxFileSize, ' ') + "\"}",
        off + "\"x\":" + std::string(maxPropertyListDepth + 1, '[') + std::string(maxPropertyListDepth + 1, ']') + "}"}) {
    plant(damaged);
    FileUserDefaults store(file_, fileSystem_);
    Preferences preferences(store);
    EXPECT_TRUE(preferences.expansionEnabled());
    EXPECT_EQ(preferences.excludedBundleIDs(), idsOf(Preferences::defaultExcludedApps));
    EXPECT_EQ(content(), damaged);

    preferences.setExpansionEnabled(false);
    EXPECT_EQ(FileUserDefaults(file_, fileSystem_).objectForKey("expansionEnabled"), PropertyList(false));
  }
}

TEST_F(FileUserDefaultsTest, HandEditedValuesKeepTheirTypeAndNullsAreLeftOut) {
  plant(R"({"expansionEnabled":"yes","other":null,"n":[1,2.5,true]})");
  FileUserDefaults store(file_, fileSystem_);
  EXPECT_FALSE(Preferences(store).expansionEnabled());
  EXPECT_EQ(store.objectForKey("n"),
            PropertyList(PropertyList::Array{PropertyList(1), PropertyList(2.5), PropertyList(true)}));
  EXPECT_EQ(store.objectForKey("other"), std::nullopt);
}

}  // namespace
}  // namespace marlinet
