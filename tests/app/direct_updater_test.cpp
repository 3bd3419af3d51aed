#include "app/direct_updater.h"

#include <gtest/gtest.h>

#include "support/app/fake_updater_controller.h"

namespace marlinet {
namespace {

using testing::UpdaterRecord;

TEST(DirectUpdaterTest, MakesOneControllerAndUsesItForEveryCheck) {
  UpdaterRecord record;
  DirectUpdater updater(testing::fakeUpdaterFactory(record));
  updater.start();
  updater.start();
  updater.checkForUpdates();
  updater.checkForUpdates();
  EXPECT_EQ(record.controllersMade, 1);
  EXPECT_EQ(record.checks, 2);
}

TEST(DirectUpdaterTest, ACheckBeforeStartUpMakesTheController) {
  UpdaterRecord record;
  DirectUpdater updater(testing::fakeUpdaterFactory(record));
  updater.checkForUpdates();
  updater.start();
  EXPECT_EQ(record.controllersMade, 1);
  EXPECT_EQ(record.checks, 1);
}

TEST(DirectUpdaterTest, TheAutomaticSettingAnswersTrueAndIgnoresWritesUntilAControllerExists) {
  UpdaterRecord record;
  record.automaticChecks = false;  // the updater's own stored setting
  DirectUpdater updater(testing::fakeUpdaterFactory(record));
  EXPECT_TRUE(updater.automaticallyChecksForUpdates());
  updater.setAutomaticallyChecksForUpdates(true);
  EXPECT_EQ(record.controllersMade, 0);
  EXPECT_FALSE(record.automaticChecks);

  updater.start();
  EXPECT_FALSE(updater.automaticallyChecksForUpdates());
  updater.setAutomaticallyChecksForUpdates(true);
  EXPECT_TRUE(record.automaticChecks);
}

TEST(DirectUpdaterTest, WithoutAnUpdaterEveryOperationIsHarmless) {
  int attempts = 0;
  DirectUpdater updater([&]() -> std::unique_ptr<UpdaterController> {
    ++attempts;
    return nullptr;
  });
  updater.checkForUpdates();
  updater.setAutomaticallyChecksForUpdates(false);
  EXPECT_FALSE(updater.hasController());
  EXPECT_TRUE(updater.automaticallyChecksForUpdates());
  EXPECT_EQ(attempts, 1);
}

}  // namespace
}  // namespace marlinet
