#include "app/direct_updater.h"

#include <gtest/gtest.h>

#include "support/app/fake_updater_controller.h"

namespace marlinet {
namespace {

using testing::UpdaterRecord;

TEST(DirectUpdaterTest, MakesOneControllerWhicheverComesFirstAndIgnoresTheSettingUntilThen) {
  UpdaterRecord record;
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
