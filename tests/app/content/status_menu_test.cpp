#include "app/content/status_menu.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/content/status_presentation.h"

namespace marlinet {
namespace {

using ::testing::ElementsAre;

constexpr ExpansionStatus allStatuses[] = {ExpansionStatus::expanding, ExpansionStatus::off,
                                           ExpansionStatus::needsAccessibility, ExpansionStatus::noReplacements};

const MenuRow* findAction(const StatusMenu& menu, MenuAction action) {
  const auto found =
      std::find_if(menu.rows.begin(), menu.rows.end(), [&](const MenuRow& row) { return row.action == action; });
  return found == menu.rows.end() ? nullptr : &*found;
}

// Allow Access appears, right after the switch, only when Accessibility is
// needed; the rest keeps its order, grouping and keys in every status.
TEST(StatusMenu, RowsKeepTheirOrderGroupingAndKeysInEveryStatus) {
  for (const ExpansionStatus status : allStatuses) {
    for (const bool enabled : {false, true}) {
      SCOPED_TRACE(testing::Message() << static_cast<int>(status) << enabled);
      const StatusMenu menu = buildStatusMenu({status, enabled, 0});
      const bool allow = status == ExpansionStatus::needsAccessibility;
      std::vector<MenuAction> expected{MenuAction::toggleEnabled};
      if (allow) expected.push_back(MenuAction::showOnboarding);
      expected.insert(expected.end(), {MenuAction::reload, MenuAction::showExcludeApps, MenuAction::showPreferences,
                                       MenuAction::checkForUpdates, MenuAction::quit});
      std::vector<MenuAction> actions;
      std::vector<std::size_t> separators;
      std::set<std::string> keys;
      for (std::size_t i = 0; i < menu.rows.size(); ++i) {
        const MenuRow& row = menu.rows[i];
        if (row.action != MenuAction::none) actions.push_back(row.action);
        if (row.isSeparator) separators.push_back(i);
        if (!row.keyEquivalent.empty()) {
          EXPECT_TRUE(keys.insert(row.keyEquivalent).second) << "duplicate key " << row.keyEquivalent;
        }
        // Only information rows and separators are disabled, and they do nothing.
        EXPECT_EQ(row.enabled, row.action != MenuAction::none) << row.title;
        // The switch follows the preference, not the status; nothing else is checked.
        EXPECT_EQ(row.checked, row.action == MenuAction::toggleEnabled && enabled) << row.title;
      }
      EXPECT_EQ(actions, expected);
      const std::size_t shift = allow ? 1 : 0;
      EXPECT_THAT(separators, ElementsAre(2 + shift, 6 + shift, 9 + shift));
      EXPECT_EQ(findAction(menu, MenuAction::toggleEnabled)->keyEquivalent, "e");
      EXPECT_EQ(findAction(menu, MenuAction::reload)->keyEquivalent, "r");
      EXPECT_EQ(findAction(menu, MenuAction::showPreferences)->keyEquivalent, ",");
      EXPECT_EQ(findAction(menu, MenuAction::quit)->keyEquivalent, "q");
    }
  }
}

TEST(StatusMenu, StatusLineShowsTheStatusTextAndSymbolAndOnlyExpandingLeavesTheIconBright) {
  std::set<std::string> texts;
  std::set<std::string> symbols;
  for (const ExpansionStatus status : allStatuses) {
    const StatusMenu menu = buildStatusMenu({status, true, 1});
    const StatusPresentation presentation = statusPresentation(status);
    EXPECT_EQ(menu.rows[0].title, presentation.text);
    EXPECT_EQ(menu.rows[0].symbolName, presentation.symbolName);
    texts.insert(presentation.text);
    symbols.insert(presentation.symbolName);
    EXPECT_EQ(statusIconDimmed(status), status != ExpansionStatus::expanding);
  }
  EXPECT_EQ(texts.size(), 4u);
  EXPECT_EQ(symbols.size(), 4u);
}

TEST(StatusMenu, CountLineShowsTheWholeCount) {
  for (const std::int64_t count : {std::int64_t{0}, std::int64_t{5'000'000'000}}) {
    const StatusMenu menu = buildStatusMenu({ExpansionStatus::noReplacements, true, count});
    EXPECT_EQ(menu.rows[3].title, "Replacements found: " + std::to_string(count));
  }
}

}  // namespace
}  // namespace marlinet
