// The model's helpers: the permission watcher, the change publisher, the window presenter and the updater.

#include "app/permission_watcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/change_publisher.h"
#include "app/direct_updater.h"
#include "app/window_presenter.h"
#include "platform/settings_links.h"
#include "support/app/fake_event_tap.h"
#include "support/app/fake_permission_checks.h"
#include "support/app/fake_updater_controller.h"
#include "support/app/fake_window_host.h"
#include "support/app/fake_workspace.h"
#include "test_doubles.h"

namespace marlinet {
namespace {

class PermissionWatcherTest : public ::testing::Test {
 protected:
  std::unique_ptr<PermissionWatcher> makeWatcher() {
    auto made = std::make_unique<PermissionWatcher>(checks, workspace, time.scheduler(), [this] { return tap.isRunning(); });
    subscription = made->changes().subscribe([this] { ++notifications; });
    return made;
  }

  testing::FakePermissionChecks checks;
  testing::FakeEventTap tap;
  testing::FakeWorkspace workspace;
  testing::ManualTime time;
  Subscription subscription;
  int notifications = 0;
};

TEST_F(PermissionWatcherTest, PollsOnlyOnceStartedOnOneTimerAndPublishesOncePerChange) {
  checks.inputMonitoring = true;
  auto watcher = makeWatcher();
  EXPECT_EQ(watcher->status(), (PermissionStatus{false, true, false}));
  time.advance(3);
  EXPECT_EQ(time.pendingCount(), 0u) << "no polling before start";
  watcher->start();
  watcher->start();
  time.advance(3);
  EXPECT_EQ(notifications, 0);
  EXPECT_EQ(time.pendingCount(), 1u) << "one timer";

  checks.inputMonitoring = false;  // each fact alone counts as a change
  time.advance(1);
  EXPECT_EQ(notifications, 1);
  tap.running = true;
  time.advance(1);
  EXPECT_EQ(notifications, 2);

  watcher->stopPolling();
  checks.accessibility = true;
  time.advance(5);
  EXPECT_EQ(notifications, 2);
  watcher->start();
  EXPECT_EQ(notifications, 3) << "starting samples at once";
  watcher.reset();
  time.advance(5);  // nothing left to reach
  EXPECT_EQ(time.pendingCount(), 0u);
}

TEST_F(PermissionWatcherTest, ARefusedRequestOpensThePermissionsPaneAndAGrantedOneOpensNothing) {
  const auto watcher = makeWatcher();
  watcher->requestAccessibility();
  watcher->requestInputMonitoring();
  EXPECT_EQ(workspace.openedURLs, (std::vector<std::string>{accessibilitySettingsURL(), inputMonitoringSettingsURL()}));
  checks.requestGrants = true;
  watcher->requestAccessibility();
  watcher->requestInputMonitoring();
  EXPECT_EQ(workspace.openedURLs.size(), 2u);
}

// --- The change publisher ---------------------------------------------------

TEST(ChangePublisherTest, AnObserverCancelledDuringAPublishIsNotCalledLater) {
  ChangePublisher publisher;
  std::vector<int> calls;
  std::optional<Subscription> second;
  const Subscription first = publisher.subscribe([&] {
    calls.push_back(1);
    second.reset();
  });
  second = publisher.subscribe([&] { calls.push_back(2); });
  publisher.publish();
  publisher.publish();
  EXPECT_EQ(calls, (std::vector<int>{1, 1}));
}

TEST(ChangePublisherTest, MovedTokensKeepOneRegistrationAndMayOutliveThePublisher) {
  auto publisher = std::make_unique<ChangePublisher>();
  int heard = 0;
  Subscription moved = publisher->subscribe([&] { ++heard; });
  Subscription other = std::move(moved);  // the moved-from token must not end it
  publisher->publish();
  moved = std::move(other);
  publisher->publish();
  EXPECT_EQ(heard, 2);
  moved = publisher->subscribe([] {});  // assigning over a token ends its registration
  publisher->publish();
  EXPECT_EQ(heard, 2);
  publisher.reset();
  moved.cancel();  // must not touch the gone publisher
}

// --- Windows -------------------------------------------------------------------

struct NamedContent final : WindowContent {
  explicit NamedContent(int value) : number(value) {}
  int number;
};

WindowPresenter::ContentFactory content(int number) {
  return [number] { return std::make_shared<NamedContent>(number); };
}

TEST(WindowPresenterTest, OneWindowPerIdKeepsItsTitleAndContentThroughCloseAndShow) {
  testing::FakeWindowHost host;
  WindowPresenter presenter{host};
  presenter.close("exclude");  // unknown: nothing to do
  presenter.show("exclude", "Exclude Apps", content(1));
  presenter.show("preferences", "Marlinet Settings", content(2));
  presenter.close("exclude");
  EXPECT_FALSE(host.isVisible("exclude"));
  presenter.show("exclude", "Other Title", content(3));

  EXPECT_TRUE(host.isVisible("exclude"));
  EXPECT_EQ(host.front, "exclude");
  EXPECT_EQ(host.created, 2);
  EXPECT_EQ(host.activations, 3) << "every show brings the application forward";
  EXPECT_EQ(host.windows.at("exclude").title, "Exclude Apps");
  EXPECT_EQ(dynamic_cast<NamedContent&>(*presenter.window("exclude")->content).number, 1);
  EXPECT_EQ(presenter.window("onboarding"), nullptr);
}

// --- The updater ---------------------------------------------------------------

TEST(DirectUpdaterTest, MakesOneControllerWhicheverComesFirstAndIgnoresTheSettingUntilThen) {
  testing::UpdaterRecord record;
  record.automaticChecks = false;  // the updater's own stored setting
  DirectUpdater updater(testing::fakeUpdaterFactory(record));
  EXPECT_TRUE(updater.automaticallyChecksForUpdates());
  updater.setAutomaticallyChecksForUpdates(true);
  EXPECT_FALSE(record.automaticChecks);
  updater.checkForUpdates();  // before start-up
  updater.start();
  updater.checkForUpdates();
  EXPECT_EQ(record.controllersMade, 1);
  EXPECT_EQ(record.checks, 2);
  EXPECT_FALSE(updater.automaticallyChecksForUpdates());
  updater.setAutomaticallyChecksForUpdates(true);
  EXPECT_TRUE(record.automaticChecks);
}

TEST(DirectUpdaterTest, WithoutAnUpdaterEveryOperationIsHarmless) {
  DirectUpdater updater([]() -> std::unique_ptr<UpdaterController> { return nullptr; });
  updater.checkForUpdates();
  updater.setAutomaticallyChecksForUpdates(false);
  EXPECT_TRUE(updater.automaticallyChecksForUpdates());
}

}  // namespace
}  // namespace marlinet
