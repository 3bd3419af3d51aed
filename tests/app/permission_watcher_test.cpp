#include "app/permission_watcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/settings_links.h"
#include "support/app/fake_event_tap.h"
#include "support/app/fake_permission_checks.h"
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

TEST_F(PermissionWatcherTest, ATapStartedOnTheHandedOverPermissionsIsSeenInTheSameNotification) {
  const auto watcher = makeWatcher();
  checks.accessibility = true;
  watcher->beforeRefresh = [&](bool accessibility, bool) {
    if (accessibility) tap.start();  // what the owner does when Accessibility arrives
  };
  watcher->refresh();
  EXPECT_EQ(watcher->status(), (PermissionStatus{true, false, true}));
  EXPECT_EQ(notifications, 1);
}

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

}  // namespace
}  // namespace marlinet
