#include "app/permission_watcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/settings_links.h"
#include "support/app/call_log.h"
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

  testing::CallLog log;
  testing::FakePermissionChecks checks{&log};
  testing::FakeEventTap tap{&log};
  testing::FakeWorkspace workspace;
  testing::ManualTime time;
  Subscription subscription;
  int notifications = 0;
};

TEST_F(PermissionWatcherTest, HandsThePermissionsOverBeforeSamplingTheTap) {
  const auto watcher = makeWatcher();
  checks.accessibility = true;
  std::vector<bool> handedOver;
  watcher->beforeRefresh = [&](bool accessibility, bool inputMonitoring) {
    log.add("beforeRefresh");
    handedOver = {accessibility, inputMonitoring};
    tap.start();  // what the owner does when Accessibility arrives
  };
  log.clear();
  watcher->refresh();

  EXPECT_EQ(log.entries,
            (std::vector<std::string>{"accessibility?", "inputMonitoring?", "beforeRefresh", "tap.start", "tap.isRunning?"}));
  EXPECT_EQ(handedOver, (std::vector<bool>{true, false}));
  // Both changes arrive together.
  EXPECT_EQ(watcher->status(), (PermissionStatus{true, false, true}));
  EXPECT_EQ(notifications, 1);
}

TEST_F(PermissionWatcherTest, SamplesAtCreationAndPublishesOncePerChangeAndNeverWithoutOne) {
  checks.inputMonitoring = true;
  const auto watcher = makeWatcher();
  EXPECT_EQ(watcher->status(), (PermissionStatus{false, true, false}));
  time.advance(3);
  EXPECT_EQ(time.pendingCount(), 0u) << "no polling before start";
  watcher->start();
  time.advance(3);
  EXPECT_EQ(notifications, 0);

  checks.inputMonitoring = false;  // each fact alone counts as a change
  time.advance(3);
  EXPECT_EQ(notifications, 1);
  tap.running = true;
  time.advance(1);
  EXPECT_EQ(notifications, 2);
  EXPECT_EQ(watcher->status(), (PermissionStatus{false, false, true}));
}

TEST_F(PermissionWatcherTest, KeepsOneTimerThatStoppingOrGoingEnds) {
  auto watcher = makeWatcher();
  int refreshes = 0;
  watcher->beforeRefresh = [&](bool, bool) { ++refreshes; };
  watcher->start();
  watcher->start();
  EXPECT_EQ(refreshes, 1) << "a second start does not refresh";
  time.advance(0.999);
  EXPECT_EQ(refreshes, 1);
  time.advance(0.001);
  EXPECT_EQ(refreshes, 2) << "one timer, once a second";

  watcher->stopPolling();
  watcher->stopPolling();
  time.advance(5);
  EXPECT_EQ(refreshes, 2);
  watcher->start();
  EXPECT_EQ(refreshes, 3);
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
