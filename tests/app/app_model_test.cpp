#include "app/app_model.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/window_contents.h"
#include "support/app/app_harness.h"

namespace marlinet {
namespace {

using testing::AppHarness;

class AppModelTest : public ::testing::Test {
 protected:
  void grantEverything() {
    h.permissions.accessibility = true;
    h.permissions.inputMonitoring = true;
  }
  // Makes the model and counts its change notifications.
  AppModel& makeModel() {
    model = h.makeModel();
    subscription = model->subscribe([this] { ++notifications; });
    return *model;
  }
  bool onboardingOpen() const { return h.windowHost.isVisible("onboarding"); }

  AppHarness h;
  std::unique_ptr<AppModel> model;
  Subscription subscription;
  int notifications = 0;
};

TEST_F(AppModelTest, StartsUpInOrder) {
  h.setSystemList({{"omw", "on my way"}});
  ImportedReplacementsStore(h.importedFile(), h.files).save({{{"brb", "be right back"}}, 0, 0}, Date{5.0});
  h.permissions.accessibility = false;  // so that onboarding opens too
  auto& app = makeModel();
  h.log.clear();
  app.start();

  const auto& log = h.log;
  for (const char* entry : {"system.read", "updater.create", "timer.schedule", "window.create onboarding", "post",
                            "observe becameActive", "observe otherActivated"}) {
    ASSERT_GE(log.indexOf(entry), 0) << entry;
  }
  EXPECT_LT(log.indexOf("system.read"), log.indexOf("updater.create"));
  EXPECT_LT(log.indexOf("updater.create"), log.indexOf("timer.schedule"));
  EXPECT_LT(log.indexOf("timer.schedule"), log.indexOf("window.create onboarding"));
  EXPECT_LT(log.indexOf("window.create onboarding"), log.indexOf("post"));
  EXPECT_LT(log.indexOf("post"), log.indexOf("observe becameActive"));
  EXPECT_LT(log.indexOf("observe becameActive"), log.indexOf("observe otherActivated"));

  // The stored list was loaded before the index was built.
  EXPECT_EQ(app.importedAt(), Date{5.0});
  EXPECT_EQ(app.coordinator().engine().index().byLowercased().size(), 2u);
  EXPECT_EQ(app.summary().importedCount, 1);
}

TEST_F(AppModelTest, TheTapStartsBeforePollingWhenAllowed) {
  grantEverything();
  auto& app = makeModel();
  h.log.clear();
  app.start();
  ASSERT_GE(h.log.indexOf("tap.start"), 0);
  EXPECT_LT(h.log.indexOf("updater.create"), h.log.indexOf("tap.start"));
  EXPECT_LT(h.log.indexOf("tap.start"), h.log.indexOf("timer.schedule"));
  EXPECT_EQ(h.tap.starts, 1);
}

TEST_F(AppModelTest, OnboardingOpensAtLaunchOnlyWhenEnabledAndNotBothTrustedAndRunning) {
  struct Case {
    bool enabled;
    bool trusted;
    bool tapStarts;
    bool opens;
  };
  for (const Case c : {Case{true, false, true, true}, Case{true, true, false, true}, Case{true, true, true, false},
                       Case{false, false, false, false}, Case{false, true, true, false}}) {
    AppHarness harness;
    harness.defaults.setBool("expansionEnabled", c.enabled);
    harness.permissions.accessibility = c.trusted;
    harness.tap.startSucceeds = c.tapStarts;
    const auto app = harness.makeModel();
    app->start();
    EXPECT_EQ(harness.windowHost.isVisible("onboarding"), c.opens)
        << "enabled " << c.enabled << ", trusted " << c.trusted << ", tap starts " << c.tapStarts;
  }
}

TEST_F(AppModelTest, ReappliesTheTapStateAsItsOwnTaskAfterStartAndOnBecomingActive) {
  grantEverything();
  auto& app = makeModel();
  app.start();
  h.tap.running = false;  // the system switched the tap off
  h.mainThread.runPosted();
  EXPECT_TRUE(h.tap.running);

  h.tap.running = false;
  h.workspace.applicationBecameActive();
  EXPECT_FALSE(h.tap.running) << "not inside the notification";
  h.mainThread.runPosted();
  EXPECT_TRUE(h.tap.running);
}

TEST_F(AppModelTest, AnotherApplicationComingForwardEmptiesTheTypedBuffer) {
  grantEverything();
  h.setSystemList({{"omw", "on my way"}});
  auto& app = makeModel();
  app.start();

  h.type("om");
  EXPECT_EQ(app.coordinator().engine().bufferSize(), 2u);
  h.workspace.otherApplicationActivated();
  EXPECT_EQ(app.coordinator().engine().bufferSize(), 0u);
  h.type("w ");
  h.scheduler.advance(2.0);
  EXPECT_TRUE(h.poster.posted.empty()) << "a shortcut finished in another application expanded";

  h.type("omw ");
  h.scheduler.advance(2.0);
  EXPECT_FALSE(h.poster.posted.empty());
}

TEST_F(AppModelTest, UpdateTapRunsTheTapExactlyWhenEnabledAndTrusted) {
  grantEverything();
  auto& app = makeModel();
  h.log.clear();
  app.updateTap();
  EXPECT_EQ(h.log.entries, (std::vector<std::string>{"accessibility?", "tap.isRunning?", "tap.stop", "tap.start"}));

  h.log.clear();
  app.updateTap();  // already running: left alone
  EXPECT_EQ(h.tap.starts, 1);
  EXPECT_EQ(h.tap.stops, 1);

  h.type("om");
  h.permissions.accessibility = false;
  app.updateTap();
  EXPECT_FALSE(h.tap.running);
  EXPECT_EQ(app.coordinator().engine().bufferSize(), 0u);
}

TEST_F(AppModelTest, SwitchingOffStopsTheTapAndSwitchingOnWithoutAccessOpensOnboarding) {
  grantEverything();
  auto& app = makeModel();
  app.start();
  h.type("om");
  notifications = 0;

  app.setEnabled(false);
  EXPECT_FALSE(h.tap.running);
  EXPECT_EQ(app.coordinator().engine().bufferSize(), 0u);
  EXPECT_EQ(app.status(), ExpansionStatus::off);
  EXPECT_EQ(notifications, 1);
  EXPECT_FALSE(h.defaults.boolForKey("expansionEnabled"));
  EXPECT_FALSE(onboardingOpen());

  h.permissions.accessibility = false;
  app.setEnabled(true);
  EXPECT_TRUE(onboardingOpen());
  EXPECT_FALSE(h.tap.running);

  h.windowHost.close("onboarding");
  h.permissions.accessibility = true;
  app.setEnabled(true);
  EXPECT_TRUE(h.tap.running);
  EXPECT_FALSE(onboardingOpen());
}

TEST_F(AppModelTest, StatusRulesApplyInOrder) {
  auto& app = makeModel();
  h.permissions.inputMonitoring = true;

  h.defaults.setBool("expansionEnabled", false);
  h.permissions.accessibility = true;
  h.tap.running = true;
  h.setSystemList({{"omw", "on my way"}});
  app.reload();
  EXPECT_EQ(app.status(), ExpansionStatus::off);

  h.defaults.setBool("expansionEnabled", true);
  h.tap.running = false;  // trusted, but the tap failed to start
  EXPECT_EQ(app.status(), ExpansionStatus::needsAccessibility);

  h.permissions.accessibility = false;
  h.tap.running = true;
  h.systemReplacements.global.reset();
  app.reload();
  EXPECT_EQ(app.status(), ExpansionStatus::needsAccessibility) << "checked before the list";

  h.permissions.accessibility = true;
  EXPECT_EQ(app.status(), ExpansionStatus::noReplacements);

  h.setSystemList({{"omw", "on my way"}});
  app.reload();
  EXPECT_EQ(app.status(), ExpansionStatus::expanding);
}

TEST_F(AppModelTest, ReloadRereadsTheSystemListKeepsTheImportedOneAndPublishesOnce) {
  ImportedReplacementsStore(h.importedFile(), h.files)
      .save({{{"omw", "imported phrase"}, {"brb", "be right back"}}, 1, 0}, Date{9.0});
  auto& app = makeModel();
  app.start();
  EXPECT_EQ(app.summary().count, 2);
  EXPECT_EQ(app.systemSource(), SystemListSource::none);

  h.systemReplacements.spellChecker = {{"omw", "on my way"}};
  h.type("om");
  notifications = 0;
  app.reload();

  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(app.systemSource(), SystemListSource::spellChecker);
  EXPECT_EQ(app.coordinator().engine().bufferSize(), 0u);
  const auto summary = app.summary();
  EXPECT_EQ(summary, (ReplacementSummary{2, 1, 2, 1, SystemListSource::spellChecker, Date{9.0}}));
  const auto merged = app.library().merged();
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_EQ(merged[0].phrase, "on my way") << "the system's phrase wins";
  EXPECT_EQ(app.coordinator().engine().index().byLowercased().size(), 2u);
}

TEST_F(AppModelTest, GrantingAccessStartsTheTapWithinOneRefreshAndOneNotification) {
  auto& app = makeModel();
  app.start();
  ASSERT_FALSE(h.tap.running);
  notifications = 0;

  h.permissions.accessibility = true;
  h.mainThread.fireTimers();
  EXPECT_TRUE(h.tap.running);
  EXPECT_EQ(app.permissions().status(), (PermissionStatus{true, false, true}));
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(app.status(), ExpansionStatus::noReplacements);

  h.mainThread.fireTimers(2);
  EXPECT_EQ(notifications, 1) << "nothing changed";

  h.permissions.accessibility = false;
  h.mainThread.fireTimers();
  EXPECT_FALSE(h.tap.running);
  EXPECT_EQ(app.permissions().status(), (PermissionStatus{false, false, false}));
  EXPECT_EQ(notifications, 2);
}

TEST_F(AppModelTest, StartingTwiceStoppingTwiceAndStoppingFirstAreHarmless) {
  grantEverything();
  auto& app = makeModel();
  app.stop();
  app.start();
  app.start();
  EXPECT_EQ(h.mainThread.validTimerCount(), 1u);
  EXPECT_EQ(h.workspace.becameActiveObservers(), 1u);
  EXPECT_EQ(h.updaterRecord.controllersMade, 1);

  app.stop();
  app.stop();
  EXPECT_FALSE(h.tap.running);
  EXPECT_EQ(h.mainThread.validTimerCount(), 0u);
  EXPECT_EQ(h.workspace.otherActivatedObservers(), 1u) << "observers stay registered";
}

TEST_F(AppModelTest, NothingReachesAModelThatIsGone) {
  grantEverything();
  h.setSystemList({{"omw", "on my way"}});
  makeModel().start();
  model.reset();

  EXPECT_EQ(h.mainThread.validTimerCount(), 0u);
  EXPECT_EQ(h.workspace.becameActiveObservers(), 0u);
  h.mainThread.runPosted();
  h.workspace.applicationBecameActive();
  h.workspace.otherApplicationActivated();
  EXPECT_EQ(h.tap.deliver(MouseDown{}), TapVerdict::pass);
  h.type("omw ");
  EXPECT_TRUE(h.poster.posted.empty());
}

TEST_F(AppModelTest, WiresTheSettingsIntoTheCoordinator) {
  auto& app = makeModel();
  auto& coordinator = app.coordinator();
  EXPECT_EQ(coordinator.ownBundleID, std::optional<std::string>("com.example.marlinet"));
  EXPECT_EQ(h.storeFolderNames, (std::vector<std::string>{"com.example.marlinet"}));
  EXPECT_TRUE(coordinator.isAllowed());
  h.defaults.setBool("expansionEnabled", false);
  EXPECT_FALSE(coordinator.isAllowed());

  const auto excluded = coordinator.excludedBundleIDs();
  ASSERT_NE(excluded, nullptr);
  EXPECT_EQ(excluded->size(), Preferences::defaultExcludedApps.size());
  EXPECT_TRUE(excluded->contains("com.apple.Terminal"));
}

TEST_F(AppModelTest, WithoutABundleIdentifierTheStoreUsesTheFallbackFolder) {
  h.bundle.identifier.reset();
  auto& app = makeModel();
  EXPECT_EQ(h.storeFolderNames, (std::vector<std::string>{"tarnwick-engineering.Marlinet.direct"}));
  EXPECT_FALSE(app.coordinator().ownBundleID.has_value());
}

TEST_F(AppModelTest, TheOnboardingWindowKeepsTheCountItWasMadeWith) {
  h.setSystemList({{"omw", "on my way"}});
  auto& app = makeModel();
  app.reload();
  app.showOnboarding();
  auto* content = dynamic_cast<OnboardingWindowContent*>(app.windows().window("onboarding")->content.get());
  ASSERT_NE(content, nullptr);
  EXPECT_EQ(content->replacementCount, 1);
  EXPECT_EQ(&content->watcher, &app.permissions());
  EXPECT_EQ(h.windowHost.windows.at("onboarding").title, "Welcome to Marlinet");

  content->onDone();
  EXPECT_FALSE(onboardingOpen());
  h.setSystemList({{"omw", "on my way"}, {"brb", "be right back"}});
  app.reload();
  app.showOnboarding();
  EXPECT_TRUE(onboardingOpen());
  EXPECT_EQ(h.windowHost.created, 1);
  EXPECT_EQ(dynamic_cast<OnboardingWindowContent&>(*app.windows().window("onboarding")->content).replacementCount, 1);

  const auto onDone = content->onDone;
  model.reset();
  onDone();  // the model is gone: nothing to close
}

}  // namespace
}  // namespace marlinet
