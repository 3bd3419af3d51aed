#include "replacements/preferences.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "replacements/file_user_defaults.h"
#include "support/replacements/faulty_file_system.h"
#include "support/replacements/in_memory_user_defaults.h"

namespace marlinet {
namespace {

namespace fs = std::filesystem;
using testing::InMemoryUserDefaults;

const std::vector<std::string> sortedDefaults{
    "com.1password.1password", "com.agilebits.onepassword7", "com.apple.MobileSMS", "com.apple.Notes",
    "com.apple.Passwords",     "com.apple.Safari",           "com.apple.Stickies",  "com.apple.Terminal",
    "com.apple.TextEdit",      "com.apple.freeform",         "com.apple.iCal",      "com.apple.iWork.Keynote",
    "com.apple.iWork.Numbers", "com.apple.iWork.Pages",      "com.apple.keychainaccess", "com.apple.mail",
    "com.apple.reminders",     "com.bitwarden.desktop",      "com.googlecode.iterm2"};

std::set<std::string> asSet(const std::vector<std::string>& texts) { return {texts.begin(), texts.end()}; }

PropertyList textArray(const std::vector<std::string>& texts) {
  PropertyList::Array array(texts.begin(), texts.end());
  return PropertyList(std::move(array));
}

TEST(PreferencesTest, FreshUserGetsTheDefaultsWithoutAnythingStored) {
  InMemoryUserDefaults defaults;
  const Preferences preferences(defaults);
  EXPECT_TRUE(preferences.expansionEnabled());
  EXPECT_EQ(preferences.excludedBundleIDs(), asSet(sortedDefaults));
  EXPECT_TRUE(defaults.persistent.empty());
  // The registered default is the table's identifiers in code-point order.
  EXPECT_EQ(defaults.registered.at("excludedBundleIDs"), textArray(sortedDefaults));
  EXPECT_EQ(Preferences::defaultExcludedBundleIDs().size(), Preferences::defaultExcludedApps.size());
}

TEST(PreferencesTest, ChangingTheListStoresItSorted) {
  InMemoryUserDefaults defaults;
  Preferences preferences(defaults);
  auto excluded = preferences.excludedBundleIDs();
  excluded.erase("com.apple.Safari");
  excluded.insert("com.example.editor");
  excluded.insert("Com.Example.Upper");
  preferences.setExcludedBundleIDs(excluded);

  std::vector<std::string> expected = sortedDefaults;
  std::erase(expected, "com.apple.Safari");
  expected.push_back("com.example.editor");
  expected.push_back("Com.Example.Upper");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(defaults.persistent.at("excludedBundleIDs"), textArray(expected));
  EXPECT_EQ(preferences.excludedBundleIDs(), asSet(expected));
  EXPECT_EQ(preferences.excludedBundleIDs().count("com.apple.safari"), 0u);  // case-sensitive
}

TEST(PreferencesTest, ResetRestoresTheFullTableWhateverWasStored) {
  for (const PropertyList& stored : {textArray({}), textArray({"only.one"}), PropertyList(5)}) {
    InMemoryUserDefaults defaults;
    Preferences preferences(defaults);
    defaults.setObject("excludedBundleIDs", stored);
    preferences.resetExcludedBundleIDs();
    EXPECT_EQ(preferences.excludedBundleIDs(), asSet(sortedDefaults));
  }
}

TEST(PreferencesTest, WrongTypesReadAsFalseAndEmptyNotAsDefaults) {
  InMemoryUserDefaults defaults;
  const Preferences preferences(defaults);
  for (const PropertyList& notTextArray :
       {PropertyList("com.apple.Safari"), PropertyList(1), PropertyList(PropertyList::Dictionary{}),
        PropertyList(PropertyList::Array{PropertyList("com.apple.Safari"), PropertyList(2)})}) {
    defaults.setObject("excludedBundleIDs", notTextArray);
    EXPECT_TRUE(preferences.excludedBundleIDs().empty());
  }
  for (const PropertyList& notBoolean : {PropertyList("true"), PropertyList("YES"), PropertyList(PropertyList::Array{})}) {
    defaults.setObject("expansionEnabled", notBoolean);
    EXPECT_FALSE(preferences.expansionEnabled());
  }
  // Numbers are Booleans' kin and read by their truth value.
  defaults.setObject("expansionEnabled", PropertyList(1));
  EXPECT_TRUE(preferences.expansionEnabled());
  defaults.setObject("expansionEnabled", PropertyList(0));
  EXPECT_FALSE(preferences.expansionEnabled());
}

TEST(PreferencesTest, ASecondPreferencesOverTheSameStoreSeesTheChange) {
  InMemoryUserDefaults defaults;
  Preferences(defaults).setExpansionEnabled(false);
  EXPECT_FALSE(Preferences(defaults).expansionEnabled());
}

// --- Settings kept in a file ------------------------------------------------

class FileUserDefaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("marlinet-defaults-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    file_ = root_ / "app" / "settings.json";
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string content() const {
    std::ifstream in(file_, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  void plant(std::string_view bytes) const {
    fs::create_directories(file_.parent_path());
    std::ofstream(file_, std::ios::binary) << bytes;
  }

  fs::path root_;
  fs::path file_;
  std::shared_ptr<testing::FaultyFileSystem> fileSystem_ = std::make_shared<testing::FaultyFileSystem>();
};

TEST_F(FileUserDefaultsTest, SettingsSurviveARestartAndDefaultsAreNeverWritten) {
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
  const auto json = nlohmann::json::parse(content());
  EXPECT_EQ(json, nlohmann::json::parse(R"({"expansionEnabled":false,"excludedBundleIDs":["a.app","b.app"]})"));

  preferences.resetExcludedBundleIDs();
  EXPECT_FALSE(nlohmann::json::parse(content()).contains("excludedBundleIDs"));
  EXPECT_EQ(FileUserDefaults(file_, fileSystem_).objectForKey("excludedBundleIDs"), std::nullopt);
}

TEST_F(FileUserDefaultsTest, DamagedFileReadsAsDefaultsUntilAChangeReplacesIt) {
  for (const std::string& damaged : {std::string("{\"expansionEnabled\": fal"), std::string("[1,2]"),
                                    std::string("\xff\xfe garbage"), std::string(200000, '{')}) {
    plant(damaged);
    FileUserDefaults store(file_, fileSystem_);
    Preferences preferences(store);
    EXPECT_TRUE(preferences.expansionEnabled());
    EXPECT_EQ(preferences.excludedBundleIDs().size(), 19u);
    EXPECT_EQ(content(), damaged);

    preferences.setExpansionEnabled(false);
    EXPECT_EQ(FileUserDefaults(file_, fileSystem_).objectForKey("expansionEnabled"), PropertyList(false));
  }
}

TEST_F(FileUserDefaultsTest, HandEditedValuesOfTheWrongTypeKeepTheirType) {
  plant(R"({"expansionEnabled":"yes","excludedBundleIDs":{"a":1},"other":null,"n":[1,2.5,true]})");
  FileUserDefaults store(file_, fileSystem_);
  const Preferences preferences(store);
  EXPECT_FALSE(preferences.expansionEnabled());
  EXPECT_TRUE(preferences.excludedBundleIDs().empty());
  EXPECT_EQ(store.objectForKey("n"),
            PropertyList(PropertyList::Array{PropertyList(1), PropertyList(2.5), PropertyList(true)}));
  EXPECT_EQ(store.objectForKey("other"), std::nullopt);
}

TEST_F(FileUserDefaultsTest, FailedWriteKeepsTheOldFileAndTheSessionValue) {
  FileUserDefaults store(file_, fileSystem_);
  Preferences preferences(store);
  preferences.setExpansionEnabled(false);
  const std::string saved = content();

  fileSystem_->failWrites = true;
  preferences.setExcludedBundleIDs({"x.app"});
  EXPECT_EQ(preferences.excludedBundleIDs(), (std::set<std::string>{"x.app"}));
  EXPECT_EQ(content(), saved);
  EXPECT_EQ(fileSystem_->writeAttempts, 2);
}

}  // namespace
}  // namespace marlinet
