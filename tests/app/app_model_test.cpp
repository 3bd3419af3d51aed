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
  dynamic_cast<OnboardingWindowContent&>(*app.windows().window("onboarding")->content).onDone();
  EXPECT_FALSE(h.windowHost.isVisible("onboarding")) << "its Done button closes it";
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

}  // namespace
}  // namespace marlinet
