#include "app/content/status_menu_controller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/content/status_menu.h"
#include "app/content/status_presentation.h"

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

constexpr ExpansionStatus allStatuses[] = {ExpansionStatus::expanding, ExpansionStatus::off,
                                           ExpansionStatus::needsAccessibility, ExpansionStatus::noReplacements};

// Allow Access appears, right after the switch, only when Accessibility is
// needed; the rest keeps its order and distinct keys in every status.
TEST(StatusMenu, RowsFollowTheStatusAndThePreference) {
  for (const ExpansionStatus status : allStatuses) {
    for (const bool enabled : {false, true}) {
      SCOPED_TRACE(::testing::Message() << static_cast<int>(status) << enabled);
      const StatusMenu menu = buildStatusMenu({status, enabled, 5'000'000'000});
      std::vector<MenuAction> expected{MenuAction::toggleEnabled};
      if (status == ExpansionStatus::needsAccessibility) expected.push_back(MenuAction::showOnboarding);
      expected.insert(expected.end(), {MenuAction::reload, MenuAction::showExcludeApps, MenuAction::showPreferences,
                                       MenuAction::checkForUpdates, MenuAction::quit});
      std::vector<MenuAction> actions;
      std::set<std::string> keys;
      int countRows = 0;
      for (const MenuRow& row : menu.rows) {
        if (row.action != MenuAction::none) actions.push_back(row.action);
        if (!row.keyEquivalent.empty()) {
          EXPECT_TRUE(keys.insert(row.keyEquivalent).second) << row.keyEquivalent;
        }
        // Only information rows and separators are disabled, and they do nothing.
        EXPECT_EQ(row.enabled, row.action != MenuAction::none) << row.title;
        // The switch follows the preference, not the status; nothing else is checked.
        EXPECT_EQ(row.checked, row.action == MenuAction::toggleEnabled && enabled) << row.title;
        countRows += row.title == "Replacements found: 5000000000";
      }
      EXPECT_EQ(actions, expected);
      EXPECT_EQ(countRows, 1) << "the whole count";
      const StatusPresentation presentation = statusPresentation(status);
      EXPECT_EQ(menu.rows[0].title, presentation.text);
      EXPECT_EQ(menu.rows[0].symbolName, presentation.symbolName);
      EXPECT_EQ(statusIconDimmed(status), status != ExpansionStatus::expanding);
    }
  }
}

}  // namespace
}  // namespace marlinet
