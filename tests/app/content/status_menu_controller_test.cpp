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
  bool accessibility = true;
  bool tapRunning = true;
  std::int64_t count = 2;
  std::vector<std::string> calls;
  std::vector<bool> dimmedReports;
  std::function<void()> onReload;

  ExpansionStatus status() const {
    if (!enabled) return ExpansionStatus::off;
    if (!accessibility || !tapRunning) return ExpansionStatus::needsAccessibility;
    return count == 0 ? ExpansionStatus::noReplacements : ExpansionStatus::expanding;
  }

  StatusMenuHooks hooks() {
    const auto record = [this](const char* call) { return [this, call] { calls.push_back(call); }; };
    StatusMenuHooks hooks;
    hooks.status = [this] {
      calls.push_back("status");
      return status();
    };
    hooks.expansionEnabled = [this] { return enabled; };
    hooks.replacementCount = [this] { return count; };
    hooks.updateTap = record("updateTap");
    hooks.reload = [this] {
      calls.push_back("reload");
      if (onReload) onReload();
    };
    hooks.setEnabled = [this](bool on) { enabled = on; };
    hooks.showExcludeApps = record("showExcludeApps");
    hooks.showOnboarding = record("showOnboarding");
    hooks.showPreferences = record("showPreferences");
    hooks.checkForUpdates = record("checkForUpdates");
    hooks.quit = record("quit");
    hooks.setIconDimmed = [this](bool dimmed) { dimmedReports.push_back(dimmed); };
    return hooks;
  }
};

TEST(StatusMenuController, OpeningReappliesTheTapAndReloadsBeforeReadingTheStatusOnce) {
  FakeModel model;
  StatusMenuController controller(model.hooks());
  model.calls.clear();
  // A replacement added in System Settings is seen by the reload of this very opening.
  model.onReload = [&] { model.count = 5; };
  const StatusMenu& menu = controller.menuNeedsUpdate();
  EXPECT_THAT(model.calls, ElementsAre("updateTap", "reload", "status"));
  EXPECT_EQ(menu.rows[3].title, "Replacements found: 5");
}

TEST(StatusMenuController, IconLooksAtTheStatusOnlyAtItsFixedMoments) {
  FakeModel model;
  model.tapRunning = false;  // right after launch nothing is started yet
  StatusMenuController controller(model.hooks());
  EXPECT_THAT(model.dimmedReports, ElementsAre(true));

  // A permission change alone leaves the icon as it was, as do opening the
  // menu and the commands that only show something.
  model.tapRunning = true;
  controller.menuNeedsUpdate();
  model.calls.clear();
  for (const MenuAction action : {MenuAction::showExcludeApps, MenuAction::showOnboarding, MenuAction::none,
                                  MenuAction::showPreferences, MenuAction::checkForUpdates, MenuAction::quit}) {
    controller.perform(action);
  }
  EXPECT_THAT(model.calls, ElementsAre("showExcludeApps", "showOnboarding", "showPreferences", "checkForUpdates", "quit"));
  EXPECT_TRUE(controller.iconDimmed());
  EXPECT_THAT(model.dimmedReports, ElementsAre(true));

  controller.menuDidClose();
  controller.perform(MenuAction::toggleEnabled);  // flips the preference and dims at once
  EXPECT_FALSE(model.enabled);
  controller.perform(MenuAction::toggleEnabled);
  EXPECT_TRUE(model.enabled);
  model.count = 0;
  controller.perform(MenuAction::reload);
  model.count = 1;
  controller.refreshIcon();
  EXPECT_THAT(model.dimmedReports, ElementsAre(true, false, true, false, true, false));
  EXPECT_FALSE(controller.iconDimmed());
}

TEST(StatusMenuController, WorksWithoutAnyHooks) {
  StatusMenuController controller(StatusMenuHooks{});
  EXPECT_TRUE(controller.iconDimmed());
  for (const MenuAction action : {MenuAction::toggleEnabled, MenuAction::reload, MenuAction::quit}) {
    controller.perform(action);
  }
  const StatusMenu& menu = controller.menuNeedsUpdate();
  EXPECT_EQ(menu.rows[0].title, "Expansion is off");
  EXPECT_EQ(menu.rows[3].title, "Replacements found: 0");
}

}  // namespace
}  // namespace marlinet
