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
  // Every entry is logged, each first appearing after the one before it.
  void expectInOrder(const std::vector<std::string>& entries) const {
    long previous = -1;
    for (const auto& entry : entries) {
      const long at = h.log.indexOf(entry);
      EXPECT_GT(at, previous) << entry;
      previous = at;
    }
  }

  AppHarness h;
  std::unique_ptr<AppModel> model;
  Subscription subscription;
  int notifications = 0;
};

TEST_F(AppModelTest, StartsUpInOrder) {
  h.setSystemList({{"omw", "on my way"}});
  ImportedReplacementsStore(h.importedFile(), h.files).save({{{"brb", "be right back"}}, 0, 0}, Date{5.0});
  h.permissions.accessibility = true;
  h.tap.startSucceeds = false;  // so that onboarding opens too
  auto& app = makeModel();
  h.log.clear();
  app.start();

  expectInOrder({"system.read", "updater.create", "tap.start", "window.create onboarding",
                 "observe becameActive", "observe otherActivated"});
  // The stored list was loaded before the index was built.
  EXPECT_EQ(app.coordinator().engine().index().byLowercased().size(), 2u);
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
    const auto running = harness.makeModel();
    running->start();
    EXPECT_EQ(harness.windowHost.isVisible("onboarding"), c.opens)
        << "enabled " << c.enabled << ", trusted " << c.trusted << ", tap starts " << c.tapStarts;
  }
}

TEST_F(AppModelTest, ReappliesTheTapStateAsItsOwnTaskAfterStartAndOnBecomingActive) {
  grantEverything();
  makeModel().start();
  h.tap.running = false;  // the system switched the tap off
  h.time.runDue();
  EXPECT_TRUE(h.tap.running);

  h.tap.running = false;
  h.workspace.applicationBecameActive();
  EXPECT_FALSE(h.tap.running) << "not inside the notification";
  h.time.runDue();
  EXPECT_TRUE(h.tap.running);
}

TEST_F(AppModelTest, AnotherApplicationComingForwardEmptiesTheTypedBuffer) {
  grantEverything();
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

TEST_F(AppModelTest, UpdateTapRunsTheTapExactlyWhenEnabledAndTrusted) {
  grantEverything();
  auto& app = makeModel();
  h.log.clear();
  app.updateTap();
  EXPECT_EQ(h.log.entries, (std::vector<std::string>{"accessibility?", "tap.isRunning?", "tap.stop", "tap.start"}));
  app.updateTap();  // already running: left alone
  EXPECT_EQ(h.tap.starts, 1);

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
  notifications = 0;

  app.setEnabled(false);
  EXPECT_FALSE(h.tap.running);
  EXPECT_EQ(notifications, 1);
  EXPECT_FALSE(onboardingOpen());

  h.permissions.accessibility = false;
  app.setEnabled(true);
  EXPECT_TRUE(onboardingOpen());

  h.windowHost.close("onboarding");
  h.permissions.accessibility = true;
  app.setEnabled(true);
  EXPECT_TRUE(h.tap.running);
  EXPECT_FALSE(onboardingOpen());
}

TEST_F(AppModelTest, StatusRulesApplyInOrder) {
  auto& app = makeModel();
  struct Case {
    bool enabled, trusted, running, hasList;
    ExpansionStatus expected;
  };
  for (const Case c : {Case{false, true, true, true, ExpansionStatus::off},
                       Case{false, false, false, false, ExpansionStatus::off},
                       Case{true, true, false, true, ExpansionStatus::needsAccessibility},  // the tap failed to start
                       Case{true, false, true, false, ExpansionStatus::needsAccessibility},  // before the list
                       Case{true, true, true, false, ExpansionStatus::noReplacements},
                       Case{true, true, true, true, ExpansionStatus::expanding}}) {
    h.defaults.setBool("expansionEnabled", c.enabled);
    h.permissions.accessibility = c.trusted;
    h.tap.running = c.running;
    if (c.hasList) {
      h.setSystemList({{"omw", "on my way"}});
    } else {
      h.systemReplacements.global.reset();
    }
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

TEST_F(AppModelTest, APermissionChangeStartsOrStopsTheTapWithinOneRefreshAndOneNotification) {
  auto& app = makeModel();
  app.start();
  ASSERT_FALSE(h.tap.running);
  notifications = 0;

  h.permissions.accessibility = true;
  h.time.advance(PermissionWatcher::pollInterval);
  EXPECT_EQ(app.permissions().status(), (PermissionStatus{true, false, true}));
  EXPECT_EQ(notifications, 1);

  h.permissions.accessibility = false;
  h.time.advance(PermissionWatcher::pollInterval);
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
  grantEverything();
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

TEST_F(AppModelTest, WiresTheSettingsIntoTheCoordinator) {
  auto& coordinator = makeModel().coordinator();
  EXPECT_EQ(coordinator.ownBundleID, std::optional<std::string>("com.example.marlinet"));
  EXPECT_EQ(h.storeFolderNames, (std::vector<std::string>{"com.example.marlinet"}));
  EXPECT_TRUE(coordinator.isAllowed());
  h.defaults.setBool("expansionEnabled", false);
  EXPECT_FALSE(coordinator.isAllowed());
  EXPECT_TRUE(coordinator.excludedBundleIDs()->contains("com.apple.Terminal"));
}

TEST_F(AppModelTest, TheOnboardingWindowShowsTheCountAndItsDoneButtonClosesIt) {
  h.setSystemList({{"omw", "on my way"}});
  auto& app = makeModel();
  app.reload();
  app.showOnboarding();
  auto* content = dynamic_cast<OnboardingWindowContent*>(app.windows().window("onboarding")->content.get());
  ASSERT_NE(content, nullptr);
  EXPECT_EQ(content->replacementCount, 1);
  content->onDone();
  EXPECT_FALSE(onboardingOpen());

  const auto onDone = content->onDone;
  model.reset();
  onDone();  // the model is gone: nothing to close
}

}  // namespace
}  // namespace marlinet
