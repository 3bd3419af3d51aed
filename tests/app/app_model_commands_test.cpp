#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/app_model.h"
#include "app/model_content.h"
#include "app/window_contents.h"
#include "support/replacements/property_list_writer.h"
#include "support/app/app_harness.h"

namespace marlinet {
namespace {

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
    h.permissions.accessibility = true;
    h.setSystemList({{"omw", "on my way"}});
    ImportedReplacementsStore(h.importedFile(), h.files).save({{{"old", "previous import"}}, 0, 0}, Date{1.0});
    model = h.makeModel();
    model->start();
    storedBefore = h.files->readFile(h.importedFile());
    subscription = model->subscribe([this] { ++notifications; });
  }
  bool indexHas(const std::string& shortcut) const {
    return model->coordinator().engine().index().find(shortcut) != nullptr;
  }
  static bool hasRow(const StatusMenu& menu, const std::string& title) {
    return std::any_of(menu.rows.begin(), menu.rows.end(), [&](const MenuRow& row) { return row.title == title; });
  }

  testing::AppHarness h;
  std::unique_ptr<AppModel> model;
  std::optional<std::string> storedBefore;
  Subscription subscription;
  int notifications = 0;
};

TEST_F(AppModelCommandsTest, ImportReplacesThePreviousListRecordsTheDateAndRebuildsTheIndex) {
  h.chooseFileWith("Text Substitutions.plist", exportedList({{"omw", "imported way"}, {"ty", "thank you"}}));
  h.dateSeconds = 750.5;
  model->importReplacements();
  EXPECT_TRUE(h.dialogs.alerts.empty());
  EXPECT_EQ(notifications, 1);
  EXPECT_TRUE(indexHas("ty"));
  EXPECT_FALSE(indexHas("old"));
  const auto stored = ImportedReplacementsStore(h.importedFile(), h.files).load();
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->first.replacements, (std::vector<Replacement>{{"omw", "imported way"}, {"ty", "thank you"}}));
  EXPECT_EQ(stored->second, Date{750.5});
  EXPECT_EQ(model->importedAt(), Date{750.5});
}

TEST_F(AppModelCommandsTest, CancelledOrUselessImportsShowTheRightAlertAndChangeNothing) {
  h.dialogs.chosenFile.reset();  // cancelled: no alert either
  model->importReplacements();
  const PropertyList::Array disabled{PropertyList(PropertyList::Dictionary{
      {"replace", PropertyList("ty")}, {"with", PropertyList("thank you")}, {"on", PropertyList(0)}})};
  const std::pair<std::string, std::string_view> cases[] = {
      {exportedList({{"ty", "thank you"}}), AppModel::notAListMessage},  // unreadable
      {"not a property list at all", AppModel::notAListMessage},
      {*encodePropertyList(PropertyList(42), PropertyListFormat::xml), AppModel::notAListMessage},
      {exportedList({{"안녕", "hello"}}), AppModel::nothingUsableMessage},
      {*encodePropertyList(PropertyList(disabled), PropertyListFormat::xml), AppModel::nothingUsableMessage},
      {exportedList({}), AppModel::nothingUsableMessage}};
  for (const auto& [bytes, message] : cases) {
    h.files->failReads = &bytes == &cases[0].first;
    h.chooseFileWith("list.plist", bytes);
    model->importReplacements();
    ASSERT_FALSE(h.dialogs.alerts.empty());
    EXPECT_EQ(h.dialogs.alerts.back(), message) << bytes;
  }
  h.files->failReads = false;
  EXPECT_EQ(h.dialogs.alerts.size(), 6u);
  EXPECT_EQ(model->library().imported.replacements, (std::vector<Replacement>{{"old", "previous import"}}));
  EXPECT_EQ(model->importedAt(), Date{1.0});
  EXPECT_EQ(h.files->readFile(h.importedFile()), storedBefore);
  EXPECT_EQ(notifications, 0);
}

TEST_F(AppModelCommandsTest, AFailedSaveStillImportsForThisRun) {
  h.chooseFileWith("list.plist", exportedList({{"ty", "thank you"}}));
  h.files->failWrites = true;
  model->importReplacements();
  EXPECT_TRUE(h.dialogs.alerts.empty());
  EXPECT_TRUE(indexHas("ty"));
  EXPECT_EQ(h.files->readFile(h.importedFile()), storedBefore);
}

TEST_F(AppModelCommandsTest, RemovingTheImportedListEmptiesItDeletesTheFileAndReloads) {
  model->removeImported();
  EXPECT_FALSE(h.files->readFile(h.importedFile()).has_value());
  EXPECT_EQ(model->summary(), (ReplacementSummary{1, 1, 0, 0, SystemListSource::globalDefaults, std::nullopt}));
  EXPECT_FALSE(indexHas("old"));
  EXPECT_EQ(notifications, 1);
}

TEST_F(AppModelCommandsTest, ExclusionChangesReachTheCoordinatorAndRestoringBringsBackTheBuiltInList) {
  h.type("om");
  model->setExcluded("com.example.browser", true);
  EXPECT_EQ(model->coordinator().engine().bufferSize(), 0u);
  EXPECT_TRUE(model->coordinator().excludedBundleIDs()->contains("com.example.browser"));
  model->setExcluded("com.example.browser", false);
  EXPECT_FALSE(model->coordinator().excludedBundleIDs()->contains("com.example.browser"));

  model->setExcluded("com.example.browser", true);
  model->setExcluded("com.apple.Terminal", false);
  model->restoreDefaultExclusions();
  const auto excluded = model->coordinator().excludedBundleIDs();
  EXPECT_EQ(std::set<std::string>(excluded->begin(), excluded->end()), Preferences::defaultExcludedBundleIDs());
}

TEST_F(AppModelCommandsTest, TheLoginItemBeepsWhenRefusedAndShowsTheRealState) {
  model->setOpensAtLogin(true);
  EXPECT_TRUE(model->opensAtLogin());
  EXPECT_EQ(h.alertSound.beeps, 0);
  h.loginItem.refuses = true;
  model->setOpensAtLogin(false);
  EXPECT_TRUE(model->opensAtLogin());
  EXPECT_EQ(h.alertSound.beeps, 1);
  EXPECT_EQ(notifications, 2) << "the switch is redrawn either way";
}

TEST_F(AppModelCommandsTest, ShowingSettingsReloadsFirst) {
  h.setSystemList({{"omw", "on my way"}, {"brb", "be right back"}});
  model->showPreferences();
  EXPECT_EQ(model->summary().systemCount, 2);
}

// --- What the menu and windows show, read off the running model ------------

TEST_F(AppModelCommandsTest, TheMenuReadsTheModelAfreshAtEveryOpening) {
  bool dimmed = true;
  StatusMenuController menu(statusMenuHooks(model->handle(), [] {}, [&](bool d) { dimmed = d; }));
  EXPECT_FALSE(dimmed) << "computed at creation, from the running model";
  EXPECT_TRUE(hasRow(menu.menuNeedsUpdate(), "Replacements found: 2"));
  // A replacement added in the system settings shows at the next opening, without "Reload".
  h.setSystemList({{"omw", "on my way"}, {"brb", "be right back"}});
  EXPECT_TRUE(hasRow(menu.menuNeedsUpdate(), "Replacements found: 3"));

  // Revoking Accessibility stops the tap at the next opening, which then asks for access.
  h.permissions.accessibility = false;
  EXPECT_TRUE(hasRow(menu.menuNeedsUpdate(), "Allow Access…"));
  EXPECT_FALSE(h.tap.running);
  EXPECT_FALSE(dimmed) << "opening the menu leaves the icon alone";
  menu.menuDidClose();
  EXPECT_TRUE(dimmed);

  // The switch turns expansion off and dims the icon at once.
  h.permissions.accessibility = true;
  menu.perform(MenuAction::toggleEnabled);
  EXPECT_FALSE(model->preferences().expansionEnabled());
  EXPECT_TRUE(dimmed);
}

TEST_F(AppModelCommandsTest, SettingsAndExcludedAppsReadTheModel) {
  h.bundle.info.erase(std::string(BundleInfo::buildVersionKey));
  h.bundle.info[std::string(BundleInfo::shortVersionKey)] = PropertyList(std::int64_t{2});  // not text
  h.permissions.inputMonitoring = false;
  const SettingsContent content = settingsContent(PreferencesWindowContent(model->handle(), false)).value();
  EXPECT_EQ(content.updates.versionText, "? (?)");
  EXPECT_EQ(content.replacements.found.value, 2);
  EXPECT_EQ(content.expanding.excludedApps.value, std::ssize(model->excludedBundleIDs()));
  EXPECT_TRUE(content.permissions.inputMonitoring.granted) << "the running tap proves the keys are seen";

  // The list never shows the program itself.
  h.installedApplications.install("com.apple.Safari");
  h.installedApplications.launch(*h.bundle.identifier, "Marlinet");
  h.installedApplications.launch("com.example.chat", "Chat");
  const ExcludeAppsContent apps = excludeAppsContent(ExcludeAppsWindowContent(model->handle())).value();
  ASSERT_EQ(apps.rows.size(), 2u);
  EXPECT_EQ(apps.rows[0].entry.name, "Chat");
  EXPECT_TRUE(apps.rows[1].checked);
}

TEST_F(AppModelCommandsTest, WindowsAndTheMenuOutliveTheModelSafely) {
  // The desktop keeps what it drew alive after the model is gone (Qt at quit).
  model->showPreferences();
  model->showExcludeApps();
  model->showOnboarding();
  std::vector<std::shared_ptr<WindowContent>> kept;
  for (const char* id : {"preferences", "exclude", "onboarding"}) kept.push_back(model->windows().window(id)->content);
  StatusMenuController menu(statusMenuHooks(model->handle(), [] {}, [](bool) {}));
  model.reset();

  EXPECT_FALSE(h.windowHost.isVisible("preferences")) << "the model closes its windows when it goes";
  EXPECT_FALSE(settingsContent(dynamic_cast<PreferencesWindowContent&>(*kept[0])));
  EXPECT_FALSE(excludeAppsContent(dynamic_cast<ExcludeAppsWindowContent&>(*kept[1])));
  auto& onboarding = dynamic_cast<OnboardingWindowContent&>(*kept[2]);
  EXPECT_FALSE(onboardingContent(onboarding));
  onboarding.onDone();
  menu.perform(MenuAction::toggleEnabled);
  menu.perform(MenuAction::reload);
  EXPECT_FALSE(menu.menuNeedsUpdate().rows.empty()) << "the menu still draws, showing expansion off";
}

}  // namespace
}  // namespace marlinet
