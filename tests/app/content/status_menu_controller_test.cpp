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
    StatusMenuHooks hooks;
    hooks.status = [this] {
      calls.push_back("status");
      return status();
    };
    hooks.expansionEnabled = [this] { return enabled; };
    hooks.replacementCount = [this] { return count; };
    hooks.updateTap = [this] { calls.push_back("updateTap"); };
    hooks.reload = [this] {
      calls.push_back("reload");
      if (onReload) onReload();
    };
    hooks.setEnabled = [this](bool on) {
      calls.push_back(on ? "setEnabled(true)" : "setEnabled(false)");
      enabled = on;
    };
    hooks.showExcludeApps = [this] { calls.push_back("showExcludeApps"); };
    hooks.showOnboarding = [this] { calls.push_back("showOnboarding"); };
    hooks.showPreferences = [this] { calls.push_back("showPreferences"); };
    hooks.checkForUpdates = [this] { calls.push_back("checkForUpdates"); };
    hooks.quit = [this] { calls.push_back("quit"); };
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
  EXPECT_TRUE(controller.iconDimmed());
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
  EXPECT_FALSE(controller.iconDimmed());

  model.count = 0;
  controller.perform(MenuAction::reload);
  EXPECT_TRUE(controller.iconDimmed());

  model.count = 1;
  controller.refreshIcon();
  EXPECT_FALSE(controller.iconDimmed());
  EXPECT_THAT(model.dimmedReports, ElementsAre(true, false, true, false));
}

TEST(StatusMenuController, ToggleFlipsThePreferenceAndDimsAtOnce) {
  FakeModel model;
  StatusMenuController controller(model.hooks());
  ASSERT_FALSE(controller.iconDimmed());

  controller.perform(MenuAction::toggleEnabled);
  EXPECT_FALSE(model.enabled);
  EXPECT_TRUE(controller.iconDimmed());

  const StatusMenu& menu = controller.menuNeedsUpdate();
  EXPECT_EQ(menu.rows[0].title, "Expansion is off");
  EXPECT_EQ(menu.rows[0].symbolName, "pause.circle");
  EXPECT_FALSE(menu.rows[1].checked);

  controller.perform(MenuAction::toggleEnabled);
  EXPECT_TRUE(model.enabled);
  EXPECT_FALSE(controller.iconDimmed());
  EXPECT_THAT(model.calls, ::testing::Contains("setEnabled(false)"));
  EXPECT_THAT(model.calls, ::testing::Contains("setEnabled(true)"));
}

TEST(StatusMenuController, WorksWithoutAnyHooks) {
  StatusMenuController controller(StatusMenuHooks{});
  EXPECT_TRUE(controller.iconDimmed());
  EXPECT_TRUE(controller.menu().rows.empty());
  for (const MenuAction action : {MenuAction::toggleEnabled, MenuAction::reload, MenuAction::quit}) {
    controller.perform(action);
  }
  const StatusMenu& menu = controller.menuNeedsUpdate();
  EXPECT_EQ(menu.rows[0].title, "Expansion is off");
  EXPECT_EQ(menu.rows[3].title, "Replacements found: 0");
}

}  // namespace
}  // namespace marlinet
