#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/app_model.h"
#include "app/window_contents.h"
#include "support/replacements/property_list_writer.h"
#include "support/app/app_harness.h"

namespace marlinet {
namespace {

using testing::AppHarness;

// A list in the shape System Settings exports.
std::string exportedList(const std::vector<std::pair<std::string, std::string>>& entries) {
  PropertyList::Array records;
  for (const auto& [shortcut, phrase] : entries) {
    records.emplace_back(PropertyList::Dictionary{{"shortcut", PropertyList(shortcut)}, {"phrase", PropertyList(phrase)}});
  }
  return *encodePropertyList(PropertyList(records), PropertyListFormat::xml);
}

class AppModelCommandsTest : public ::testing::Test {
 protected:
  AppModelCommandsTest() {
    h.setSystemList({{"omw", "on my way"}});
    ImportedReplacementsStore(h.importedFile(), h.files).save({{{"old", "previous import"}}, 0, 0}, Date{1.0});
    model = h.makeModel();
    model->start();
    storedBefore = h.files->readFile(h.importedFile());
    subscription = model->subscribe([this] { ++notifications; });
  }

  // Nothing about the imported list moved, in memory or on disk.
  void expectPreviousImportKept() {
    EXPECT_EQ(model->library().imported.replacements, (std::vector<Replacement>{{"old", "previous import"}}));
    EXPECT_EQ(model->importedAt(), Date{1.0});
    EXPECT_EQ(h.files->readFile(h.importedFile()), storedBefore);
    EXPECT_EQ(notifications, 0);
  }

  AppHarness h;
  std::unique_ptr<AppModel> model;
  std::optional<std::string> storedBefore;
  Subscription subscription;
  int notifications = 0;
};

TEST_F(AppModelCommandsTest, ImportReplacesThePreviousListRecordsTheDateAndRebuildsTheIndex) {
  h.chooseFileWith("Text Substitutions.plist", exportedList({{"omw", "imported way"}, {"ty", "thank you"}}));
  h.dateSeconds = 750.5;
  model->importReplacements();

  ASSERT_EQ(h.dialogs.panels.size(), 1u);
  EXPECT_EQ(h.dialogs.panels[0].allowedExtensions, (std::vector<std::string>{"plist"}));
  EXPECT_TRUE(h.dialogs.alerts.empty());
  EXPECT_EQ(notifications, 1);
  EXPECT_NE(model->coordinator().engine().index().find("ty"), nullptr);
  EXPECT_EQ(model->coordinator().engine().index().find("old"), nullptr);

  const auto stored = ImportedReplacementsStore(h.importedFile(), h.files).load();
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->first.replacements, (std::vector<Replacement>{{"omw", "imported way"}, {"ty", "thank you"}}));
  EXPECT_EQ(stored->second, Date{750.5});
  EXPECT_EQ(model->importedAt(), Date{750.5});
}

TEST_F(AppModelCommandsTest, CancelledOrUselessImportsShowTheRightAlertAndChangeNothing) {
  h.dialogs.chosenFile.reset();  // cancelled: no alert either
  model->importReplacements();

  std::vector<std::string> notAList{"", "not a property list at all",
                                    *encodePropertyList(PropertyList(42), PropertyListFormat::xml)};
  for (const auto& bytes : notAList) {
    h.chooseFileWith("list.plist", bytes);
    model->importReplacements();
  }
  h.dialogs.chosenFile = h.folder.path() / "missing.plist";
  model->importReplacements();
  h.chooseFileWith("unreadable.plist", exportedList({{"ty", "thank you"}}));
  h.files->failReads = true;
  model->importReplacements();
  h.files->failReads = false;

  PropertyList::Array disabled{PropertyList(PropertyList::Dictionary{
      {"replace", PropertyList("ty")}, {"with", PropertyList("thank you")}, {"on", PropertyList(0)}})};
  for (const std::string& bytes : {exportedList({{"안녕", "hello"}, {"ça", "that"}}),
                                   *encodePropertyList(PropertyList(disabled), PropertyListFormat::xml),
                                   exportedList({})}) {
    h.chooseFileWith("list.plist", bytes);
    model->importReplacements();
  }

  EXPECT_EQ(h.dialogs.panels.size(), 9u);
  ASSERT_EQ(h.dialogs.alerts.size(), 8u);
  for (std::size_t i = 0; i < h.dialogs.alerts.size(); ++i) {
    const bool isList = i >= 5;
    EXPECT_EQ(h.dialogs.alerts[i].message, isList ? AppModel::nothingUsableMessage : AppModel::notAListMessage) << i;
    EXPECT_EQ(h.dialogs.alerts[i].informativeText,
              isList ? AppModel::nothingUsableInformation : AppModel::notAListInformation) << i;
  }
  expectPreviousImportKept();
}

TEST_F(AppModelCommandsTest, AFailedSaveStillImportsForThisRun) {
  h.chooseFileWith("list.plist", exportedList({{"ty", "thank you"}}));
  h.files->failWrites = true;
  model->importReplacements();
  EXPECT_TRUE(h.dialogs.alerts.empty());
  EXPECT_NE(model->coordinator().engine().index().find("ty"), nullptr);
  EXPECT_EQ(h.files->readFile(h.importedFile()), storedBefore);
}

TEST_F(AppModelCommandsTest, RemovingTheImportedListEmptiesItDeletesTheFileAndReloads) {
  model->removeImported();
  EXPECT_FALSE(h.files->readFile(h.importedFile()).has_value());
  EXPECT_EQ(model->summary(), (ReplacementSummary{1, 1, 0, 0, SystemListSource::globalDefaults, std::nullopt}));
  EXPECT_EQ(model->coordinator().engine().index().find("old"), nullptr);
  EXPECT_EQ(notifications, 1);

  model->removeImported();  // no file left: still a reload
  EXPECT_EQ(notifications, 2);
}

TEST_F(AppModelCommandsTest, ExclusionChangesReachTheCoordinatorAndRestoringBringsBackTheBuiltInList) {
  h.type("om");
  model->setExcluded("com.example.browser", true);
  EXPECT_EQ(model->coordinator().engine().bufferSize(), 0u);
  EXPECT_TRUE(model->coordinator().excludedBundleIDs()->contains("com.example.browser"));
  model->setExcluded("com.example.browser", false);
  EXPECT_FALSE(model->coordinator().excludedBundleIDs()->contains("com.example.browser"));
  EXPECT_EQ(model->excludedBundleIDs(), Preferences::defaultExcludedBundleIDs());

  model->setExcluded("com.example.browser", true);
  model->setExcluded("com.apple.Terminal", false);
  h.type("om");
  model->restoreDefaultExclusions();
  EXPECT_FALSE(h.defaults.persistent.contains("excludedBundleIDs"));
  const auto excluded = model->coordinator().excludedBundleIDs();
  EXPECT_EQ(std::set<std::string>(excluded->begin(), excluded->end()), Preferences::defaultExcludedBundleIDs());
  EXPECT_EQ(model->coordinator().engine().bufferSize(), 0u);
  EXPECT_EQ(notifications, 5);
}

TEST_F(AppModelCommandsTest, TheLoginItemBeepsWhenRefusedAndNotifiesEitherWay) {
  model->setOpensAtLogin(true);
  EXPECT_TRUE(model->opensAtLogin());
  EXPECT_EQ(h.alertSound.beeps, 0);
  EXPECT_EQ(notifications, 1);

  h.loginItem.refuses = true;
  model->setOpensAtLogin(false);
  EXPECT_TRUE(model->opensAtLogin()) << "shows the real state";
  EXPECT_EQ(h.alertSound.beeps, 1);
  EXPECT_EQ(notifications, 2);
}

TEST_F(AppModelCommandsTest, ShowingSettingsReloadsFirstAndKeepsTheWindowsOwnSwitch) {
  h.setSystemList({{"omw", "on my way"}, {"brb", "be right back"}});
  h.updaterRecord.automaticChecks = false;
  model->showPreferences();
  EXPECT_EQ(model->summary().systemCount, 2);
  auto& content = dynamic_cast<PreferencesWindowContent&>(*model->windows().window("preferences")->content);
  EXPECT_FALSE(content.automaticUpdates);

  content.automaticUpdates = true;
  h.setSystemList({});
  model->showPreferences();
  EXPECT_EQ(model->summary().systemCount, 0);
  EXPECT_TRUE(dynamic_cast<PreferencesWindowContent&>(*model->windows().window("preferences")->content).automaticUpdates);
}

TEST(AppModelSettingsWindowTest, TheUpdateSwitchStartsOnBeforeAnyUpdaterExists) {
  AppHarness h;
  h.updaterRecord.automaticChecks = false;
  const auto model = h.makeModel();
  model->showPreferences();
  EXPECT_TRUE(dynamic_cast<PreferencesWindowContent&>(*model->windows().window("preferences")->content).automaticUpdates);
  EXPECT_EQ(h.updaterRecord.controllersMade, 0);
}

}  // namespace
}  // namespace marlinet
