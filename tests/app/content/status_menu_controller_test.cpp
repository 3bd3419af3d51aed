#include "app/content/status_menu_controller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace marlinet {
namespace {

using ::testing::ElementsAre;

// A stand-in for the application model that records what the menu asks of it.
struct FakeModel {
  bool enabled = true;
  bool tapRunning = true;
  std::int64_t count = 2;
  std::vector<std::string> calls;
  std::vector<bool> dimmedReports;

  ExpansionStatus status() {
    calls.push_back("status");
    if (!enabled) return ExpansionStatus::off;
    if (!tapRunning) return ExpansionStatus::needsAccessibility;
    return count == 0 ? ExpansionStatus::noReplacements : ExpansionStatus::expanding;
  }
  // As if a replacement had been added in System Settings.
  void reload() {
    calls.push_back("reload");
    count = 5;
  }

  StatusMenuHooks hooks() {
    const auto record = [this](const char* call) { return [this, call] { calls.push_back(call); }; };
    return {.status = [this] { return status(); }, .expansionEnabled = [this] { return enabled; },
            .replacementCount = [this] { return count; }, .updateTap = record("updateTap"),
            .reload = [this] { reload(); }, .setEnabled = [this](bool on) { enabled = on; },
            .showExcludeApps = record("showExcludeApps"), .showOnboarding = record("showOnboarding"),
            .showPreferences = record("showPreferences"), .checkForUpdates = record("checkForUpdates"),
            .quit = record("quit"), .setIconDimmed = [this](bool dimmed) { dimmedReports.push_back(dimmed); }};
  }
};

TEST(StatusMenuController, OpeningReloadsBeforeReadingTheStatusAndTheIconChangesOnlyAtItsFixedMoments) {
  FakeModel model;
  model.tapRunning = false;  // right after launch nothing is started yet
  StatusMenuController controller(model.hooks());
  model.tapRunning = true;  // a permission change alone leaves the icon as it was
  model.calls.clear();
  // So do opening the menu, which reads the status once after reloading, and the commands that only show something.
  EXPECT_EQ(controller.menuNeedsUpdate().rows[3].title, "Replacements found: 5");
  for (const MenuAction action : {MenuAction::showExcludeApps, MenuAction::showOnboarding, MenuAction::none,
                                  MenuAction::showPreferences, MenuAction::checkForUpdates, MenuAction::quit}) {
    controller.perform(action);
  }
  EXPECT_THAT(model.calls, ElementsAre("updateTap", "reload", "status", "showExcludeApps", "showOnboarding",
                                       "showPreferences", "checkForUpdates", "quit"));
  EXPECT_TRUE(controller.iconDimmed());
  EXPECT_THAT(model.dimmedReports, ElementsAre(true));

  controller.menuDidClose();
  controller.perform(MenuAction::toggleEnabled);  // flips the preference and dims at once
  EXPECT_FALSE(model.enabled);
  controller.perform(MenuAction::toggleEnabled);
  model.count = 0;
  controller.perform(MenuAction::reload);  // the fake's reload finds 5 again
  EXPECT_THAT(model.dimmedReports, ElementsAre(true, false, true, false, false));
}

TEST(StatusMenuController, WorksWithoutAnyHooks) {
  StatusMenuController controller(StatusMenuHooks{});
  for (const MenuAction action : {MenuAction::toggleEnabled, MenuAction::reload, MenuAction::quit}) {
    controller.perform(action);
  }
  EXPECT_EQ(controller.menuNeedsUpdate().rows[0].title, "Expansion is off");
}

}  // namespace
}  // namespace marlinet
