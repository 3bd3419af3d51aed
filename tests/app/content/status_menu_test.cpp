#include "app/content/status_menu.h"

#include <gtest/gtest.h>

#include <set>

#include "app/content/status_presentation.h"

namespace marlinet {
namespace {

constexpr ExpansionStatus allStatuses[] = {ExpansionStatus::expanding, ExpansionStatus::off,
                                           ExpansionStatus::needsAccessibility, ExpansionStatus::noReplacements};

// Allow Access appears, right after the switch, only when Accessibility is
// needed; the rest keeps its order and distinct keys in every status.
TEST(StatusMenu, RowsFollowTheStatusAndThePreference) {
  std::set<std::string> texts;
  std::set<std::string> symbols;
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
      texts.insert(presentation.text);
      symbols.insert(presentation.symbolName);
      EXPECT_EQ(statusIconDimmed(status), status != ExpansionStatus::expanding);
    }
  }
  EXPECT_EQ(texts.size(), 4u);
  EXPECT_EQ(symbols.size(), 4u);
}

}  // namespace
}  // namespace marlinet
