#include "app/app_model.h"
#include "app/localization.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/model_content.h"
#include "app/window_contents.h"
#include "support/app/app_harness.h"
#include "support/replacements/property_list_writer.h"

namespace marlinet {
namespace {

using testing::AppHarness;

class AppModelTest : public ::testing::Test {
 protected:
  // Makes the model, with every permission granted unless told otherwise, and counts its change notifications.
  AppModel& makeModel(bool granted = true) {
    h.permissions.accessibility = h.permissions.inputMonitoring = granted;
    model = h.makeModel();
    subscription = model->subscribe([this] { ++notifications; });
    return *model;
  }

  AppHarness h;
  std::unique_ptr<AppModel> model;
  Subscription subscription;
  int notifications = 0;
};

TEST_F(AppModelTest, StartLoadsBothListsBeforeTheTapRuns) {
  h.setSystemList({{"omw", "on my way"}});
  ImportedReplacementsStore(h.importedFile(), h.files).save({{{"brb", "be right back"}}, 0, 0}, Date{5.0});
  makeModel().start();
  EXPECT_LT(h.log.indexOf("system.read"), h.log.indexOf("tap.start")) << "keys arrive before the index exists";
  EXPECT_EQ(model->coordinator().engine().index().byLowercased().size(), 2u);
  EXPECT_EQ(model->coordinator().ownBundleID, std::optional<std::string>("com.example.marlinet"));
}

TEST_F(AppModelTest, OnboardingOpensAtLaunchOnlyWhenEnabledAndNotBothTrustedAndRunning) {
  struct Case {
    bool enabled, trusted, tapStarts, opens;
  };
  for (const Case c : {Case{true, false, true, true}, Case{true, true, false, true}, Case{true, true, true, false},
                       Case{false, false, false, false}, Case{false, true, true, false}}) {
    AppHarness harness;
    harness.defaults.setBool("expansionEnabled", c.enabled);
    harness.permissions.accessibility = c.trusted;
    harness.tap.startSucceeds = c.tapStarts;
    const auto running = harness.makeModel();  // kept: a gone model closes its windows
    running->start();
    EXPECT_EQ(harness.windowHost.isVisible("onboarding"), c.opens)
        << "enabled " << c.enabled << ", trusted " << c.trusted << ", tap starts " << c.tapStarts;
  }
}

TEST_F(AppModelTest, TheTapIsReappliedAfterStartAndOnBecomingActiveAndStopsWithoutTrust) {
  auto& app = makeModel();
  app.start();
  h.tap.running = false;  // the system switched the tap off
  h.time.runDue();
  EXPECT_TRUE(h.tap.running);
  h.tap.running = false;
  h.workspace.applicationBecameActive();
  EXPECT_FALSE(h.tap.running) << "not inside the notification";
  h.time.runDue();
  EXPECT_TRUE(h.tap.running);
  const int starts = h.tap.starts;
  app.updateTap();  // already running: left alone
  EXPECT_EQ(h.tap.starts, starts);

  h.type("om");
  h.permissions.accessibility = false;
  app.updateTap();
  EXPECT_FALSE(h.tap.running);
  EXPECT_EQ(app.coordinator().engine().bufferSize(), 0u);
}

TEST_F(AppModelTest, AnotherApplicationComingForwardEmptiesTheTypedBuffer) {
  h.setSystemList({{"omw", "on my way"}});
  makeModel().start();
  h.type("om");
  h.workspace.otherApplicationActivated();
  h.type("w ");
  h.time.advance(2.0);
  EXPECT_TRUE(h.poster.posted.empty()) << "a shortcut finished in another application expanded";
  h.type("omw ");
  h.time.advance(2.0);
  EXPECT_FALSE(h.poster.posted.empty());
}

TEST_F(AppModelTest, SwitchingOffStopsTheTapAndSwitchingOnWithoutAccessOpensOnboarding) {
  auto& app = makeModel();
  app.start();
  app.setEnabled(false);
  EXPECT_FALSE(h.tap.running);
  EXPECT_FALSE(app.coordinator().isAllowed());

  h.permissions.accessibility = false;
  app.setEnabled(true);
  EXPECT_TRUE(h.windowHost.isVisible("onboarding"));
  app.windows().close("onboarding");
  h.permissions.accessibility = true;
  app.setEnabled(true);
  EXPECT_TRUE(h.tap.running);
  EXPECT_FALSE(h.windowHost.isVisible("onboarding"));
}

TEST_F(AppModelTest, StatusRulesApplyInOrder) {
  auto& app = makeModel();
  struct Case {
    bool enabled, trusted, running, hasList;
    ExpansionStatus expected;
  };
  for (const Case c : {Case{false, true, true, true, ExpansionStatus::off},
                       Case{true, true, false, true, ExpansionStatus::needsAccessibility},  // the tap failed to start
                       Case{true, false, true, false, ExpansionStatus::needsAccessibility},  // before the list
                       Case{true, true, true, false, ExpansionStatus::noReplacements},
                       Case{true, true, true, true, ExpansionStatus::expanding}}) {
    h.defaults.setBool("expansionEnabled", c.enabled);
    h.permissions.accessibility = c.trusted;
    h.tap.running = c.running;
    h.systemReplacements.global.reset();
    if (c.hasList) h.setSystemList({{"omw", "on my way"}});
    app.reload();
    EXPECT_EQ(app.status(), c.expected) << c.enabled << c.trusted << c.running << c.hasList;
  }
}

TEST_F(AppModelTest, ReloadRereadsTheSystemListKeepsTheImportedOneAndPublishesOnce) {
  ImportedReplacementsStore(h.importedFile(), h.files)
      .save({{{"omw", "imported phrase"}, {"brb", "be right back"}}, 1, 0}, Date{9.0});
  auto& app = makeModel();
  app.start();
  h.systemReplacements.spellChecker = {{"omw", "on my way"}};
  notifications = 0;
  app.reload();
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(app.summary(), (ReplacementSummary{2, 1, 2, 1, SystemListSource::spellChecker, Date{9.0}}));
}

TEST_F(AppModelTest, AReloadParsesOnlyAChangedListAndAFailingReadKeepsTheListInUse) {
  h.setSystemList({{"omw", "on my way"}});
  h.systemReplacements.revisionToken = "1";
  auto& app = makeModel();
  app.start();
  const int reads = h.systemReplacements.globalReads;
  app.reload();
  EXPECT_EQ(h.systemReplacements.globalReads, reads) << "an unchanged file is not parsed again";

  h.systemReplacements.revisionToken = "2";
  h.systemReplacements.fails = true;
  notifications = 0;
  app.reload();  // the failure stops at the reload's boundary
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(app.summary().count, 1);
  h.type("omw ");
  h.time.advance(1);
  EXPECT_FALSE(h.poster.posted.empty()) << "the list in use still expands";
}

TEST_F(AppModelTest, GrantedAccessStartsTheTapWithinOneRefreshAndOneNotification) {
  auto& app = makeModel(false);
  app.start();
  ASSERT_FALSE(h.tap.running);
  notifications = 0;
  h.permissions.accessibility = true;
  h.time.advance(PermissionWatcher::pollInterval);
  EXPECT_EQ(app.permissions().status(), (PermissionStatus{true, false, true}));
  EXPECT_EQ(notifications, 1);
}

TEST_F(AppModelTest, StartingTwiceStoppingTwiceAndStoppingFirstAreHarmless) {
  auto& app = makeModel();
  app.stop();
  app.start();
  app.start();
  h.time.runDue();
  EXPECT_EQ(h.time.pendingCount(), 1u) << "one polling timer";
  EXPECT_EQ(h.workspace.becameActiveObservers(), 1u);
  EXPECT_EQ(h.updaterRecord.controllersMade, 1);

  app.stop();
  app.stop();
  EXPECT_FALSE(h.tap.running);
  h.time.advance(PermissionWatcher::pollInterval);
  EXPECT_EQ(h.time.pendingCount(), 0u) << "the polling ended";
  app.start();
  EXPECT_EQ(h.workspace.otherActivatedObservers(), 1u) << "observers registered once";
}

TEST_F(AppModelTest, NothingReachesAModelThatIsGone) {
  h.setSystemList({{"omw", "on my way"}});
  makeModel().start();
  model.reset();

  EXPECT_EQ(h.workspace.becameActiveObservers(), 0u);
  h.log.clear();
  h.time.advance(PermissionWatcher::pollInterval);
  EXPECT_EQ(h.time.pendingCount(), 0u) << "the polling ended";
  EXPECT_TRUE(h.log.entries.empty()) << "nothing sampled the permissions";
  h.workspace.applicationBecameActive();
  h.workspace.otherApplicationActivated();
  EXPECT_EQ(h.tap.deliver(MouseDown{}), TapVerdict::pass);
  h.type("omw ");
  EXPECT_TRUE(h.poster.posted.empty());
}

// --- Commands on a started model ------------------------------------------------

// A list in the shape System Settings exports.
std::string exportedList(const std::vector<std::pair<std::string, std::string>>& entries) {
  PropertyList::Array records;
  for (const auto& [shortcut, phrase] : entries) {
    records.emplace_back(PropertyList::Dictionary{{"shortcut", PropertyList(shortcut)}, {"phrase", PropertyList(phrase)}});
  }
  return *encodePropertyList(PropertyList(records), PropertyListFormat::xml);
}

// A started model with a system list and an imported one.
class AppModelCommandsTest : public AppModelTest {
 protected:
  AppModelCommandsTest() {
    h.setSystemList({{"omw", "on my way"}});
    ImportedReplacementsStore(h.importedFile(), h.files).save({{{"old", "previous import"}}, 0, 0}, Date{1.0});
    makeModel().start();
    storedBefore = h.files->readFile(h.importedFile());
    notifications = 0;
  }
  bool indexHas(const std::string& shortcut) const {
    return model->coordinator().engine().index().find(shortcut) != nullptr;
  }
  static bool hasRow(const StatusMenu& menu, const std::string& title) {
    return std::any_of(menu.rows.begin(), menu.rows.end(), [&](const MenuRow& row) { return row.title == title; });
  }

  std::optional<std::string> storedBefore;
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
  const std::pair<std::string, std::string_view> cases[] = {
      {exportedList({{"ty", "thank you"}}), AppModel::notAListMessage},  // unreadable
      {"not a property list at all", AppModel::notAListMessage},
      {*encodePropertyList(PropertyList(42), PropertyListFormat::xml), AppModel::notAListMessage},
      {exportedList({{"안녕", "hello"}}), AppModel::nothingUsableMessage},
      {exportedList({}), AppModel::nothingUsableMessage}};
  for (const auto& [bytes, message] : cases) {
    h.files->failReads = &bytes == &cases[0].first;
    h.chooseFileWith("list.plist", bytes);
    model->importReplacements();
    ASSERT_FALSE(h.dialogs.alerts.empty());
    EXPECT_EQ(h.dialogs.alerts.back(), message) << bytes;
  }
  h.files->failReads = false;
  EXPECT_EQ(h.dialogs.alerts.size(), 5u);
  EXPECT_EQ(model->library().imported.replacements, (std::vector<Replacement>{{"old", "previous import"}}));
  EXPECT_EQ(model->importedAt(), Date{1.0});
  EXPECT_EQ(h.files->readFile(h.importedFile()), storedBefore);
  EXPECT_EQ(notifications, 0);
}

TEST_F(AppModelCommandsTest, EntriesAnotherExpanderNeedsAreReportedAfterTheImport) {
  h.chooseFileWith("base.yml",
                   "matches:\n  - trigger: ty\n    replace: thank you\n  - regex: \"(?P<n>\\\\d+)km\"\n    replace: x\n"
                   "  - trigger: now\n    replace: \"{{time}}\"\n    vars:\n      - name: time\n        type: date\n");
  model->importReplacements();
  EXPECT_TRUE(indexHas("ty"));
  EXPECT_EQ(h.dialogs.alerts, (std::vector<std::string>{localized(AppModel::leftOutMessage, 2)}));
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
}

TEST_F(AppModelCommandsTest, SettingsAndExcludedAppsReadTheModel) {
  h.bundle.info.erase(std::string(BundleInfo::buildVersionKey));
  h.bundle.info[std::string(BundleInfo::shortVersionKey)] = PropertyList(std::int64_t{2});  // not text
  h.permissions.inputMonitoring = false;
  h.setSystemList({{"omw", "on my way"}, {"brb", "be right back"}});
  model->showPreferences();  // reloads first: the new system entry counts
  const SettingsContent content =
      settingsContent(dynamic_cast<PreferencesWindowContent&>(*model->windows().window("preferences")->content)).value();
  EXPECT_EQ(content.updates.versionText, "? (?)");
  EXPECT_EQ(content.replacements.found.value, 3);
  EXPECT_EQ(content.expanding.excludedApps.value, std::ssize(model->excludedBundleIDs()));
  EXPECT_TRUE(content.permissions.inputMonitoring.granted) << "the running tap proves the keys are seen";

  // The list never shows the program itself.
  h.installedApplications.install("com.apple.Safari");
  h.installedApplications.launch(*h.bundle.identifier, "Marlinet");
  h.installedApplications.launch("com.example.chat", "Chat");
  const ExcludeAppsContent apps = excludeAppsContent(ExcludeAppsWindowContent(model->handle())).value();
  ASSERT_EQ(apps.rows.size(), 2u);
  EXPECT_EQ(apps.rows[1].entry.name, "Chat");
  EXPECT_TRUE(apps.rows[0].checked) << "the installed default, first";
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
