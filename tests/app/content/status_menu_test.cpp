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

std::vector<MenuAction> actionsOf(const StatusMenu& menu) {
  std::vector<MenuAction> actions;
  for (const MenuRow& row : menu.rows) {
    if (row.action != MenuAction::none) actions.push_back(row.action);
  }
  return actions;
}

const MenuRow* findAction(const StatusMenu& menu, MenuAction action) {
  const auto found =
      std::find_if(menu.rows.begin(), menu.rows.end(), [&](const MenuRow& row) { return row.action == action; });
  return found == menu.rows.end() ? nullptr : &*found;
}

TEST(StatusMenu, AllowAccessAppearsOnlyWhenAccessibilityIsNeededRightAfterTheSwitch) {
  for (const ExpansionStatus status : allStatuses) {
    SCOPED_TRACE(static_cast<int>(status));
    const StatusMenu menu = buildStatusMenu({status, true, 3});
    const MenuRow* allow = findAction(menu, MenuAction::showOnboarding);
    if (status != ExpansionStatus::needsAccessibility) {
      EXPECT_EQ(allow, nullptr);
      EXPECT_EQ(menu.rows.size(), 11u);
      continue;
    }
    ASSERT_NE(allow, nullptr);
    EXPECT_EQ(menu.rows.size(), 12u);
    EXPECT_EQ(allow, &menu.rows[2]);
    EXPECT_EQ(allow->title, "Allow Access…");
    EXPECT_EQ(allow->symbolName, "exclamationmark.triangle");
    EXPECT_TRUE(allow->enabled);
    EXPECT_TRUE(menu.rows[3].isSeparator);
  }
}

TEST(StatusMenu, RowsKeepTheirOrderGroupingAndKeysInEveryStatus) {
  for (const ExpansionStatus status : allStatuses) {
    SCOPED_TRACE(static_cast<int>(status));
    const StatusMenu menu = buildStatusMenu({status, false, 0});
    const bool allow = status == ExpansionStatus::needsAccessibility;
    std::vector<MenuAction> expected{MenuAction::toggleEnabled};
    if (allow) expected.push_back(MenuAction::showOnboarding);
    expected.insert(expected.end(), {MenuAction::reload, MenuAction::showExcludeApps, MenuAction::showPreferences,
                                     MenuAction::checkForUpdates, MenuAction::quit});
    EXPECT_EQ(actionsOf(menu), expected);

    std::vector<std::size_t> separators;
    std::set<std::string> keys;
    for (std::size_t i = 0; i < menu.rows.size(); ++i) {
      const MenuRow& row = menu.rows[i];
      if (row.isSeparator) separators.push_back(i);
      if (!row.keyEquivalent.empty()) {
        EXPECT_EQ(row.keyEquivalent.size(), 1u);
        EXPECT_TRUE(keys.insert(row.keyEquivalent).second) << "duplicate key " << row.keyEquivalent;
      }
      // Only information rows and separators are disabled, and they do nothing.
      EXPECT_EQ(row.enabled, row.action != MenuAction::none) << row.title;
    }
    const std::size_t shift = allow ? 1 : 0;
    EXPECT_THAT(separators, ElementsAre(2 + shift, 6 + shift, 9 + shift));
    EXPECT_EQ(findAction(menu, MenuAction::toggleEnabled)->keyEquivalent, "e");
    EXPECT_EQ(findAction(menu, MenuAction::reload)->keyEquivalent, "r");
    EXPECT_EQ(findAction(menu, MenuAction::showPreferences)->keyEquivalent, ",");
    EXPECT_EQ(findAction(menu, MenuAction::quit)->keyEquivalent, "q");
    EXPECT_EQ(menu.rows.back().action, MenuAction::quit);
  }
}

TEST(StatusMenu, StatusLineShowsTheStatusTextAndSymbol) {
  std::set<std::string> texts;
  std::set<std::string> symbols;
  for (const ExpansionStatus status : allStatuses) {
    const StatusMenu menu = buildStatusMenu({status, true, 1});
    const StatusPresentation presentation = statusPresentation(status);
    EXPECT_EQ(menu.rows[0].title, presentation.text);
    EXPECT_EQ(menu.rows[0].symbolName, presentation.symbolName);
    EXPECT_FALSE(menu.rows[0].enabled);
    texts.insert(presentation.text);
    symbols.insert(presentation.symbolName);
    EXPECT_EQ(presentation.iconDimmed, status != ExpansionStatus::expanding);
    EXPECT_EQ(statusIconDimmed(status), presentation.iconDimmed);
  }
  EXPECT_EQ(texts.size(), 4u);
  EXPECT_EQ(symbols.size(), 4u);
}

TEST(StatusMenu, SwitchIsCheckedByThePreferenceNotByTheStatus) {
  // Enabled but without access, and (impossible in the model, but not for the menu) off yet enabled.
  for (const ExpansionStatus status : allStatuses) {
    for (const bool enabled : {false, true}) {
      const StatusMenu menu = buildStatusMenu({status, enabled, 0});
      EXPECT_EQ(findAction(menu, MenuAction::toggleEnabled)->checked, enabled);
      for (const MenuRow& row : menu.rows) {
        if (row.action != MenuAction::toggleEnabled) {
          EXPECT_FALSE(row.checked) << row.title;
        }
      }
    }
  }
}

TEST(StatusMenu, CountLineShowsTheWholeCount) {
  for (const std::int64_t count : {std::int64_t{0}, std::int64_t{1}, std::int64_t{5'000'000'000}}) {
    const StatusMenu menu = buildStatusMenu({ExpansionStatus::noReplacements, true, count});
    const MenuRow& line = menu.rows[3];
    EXPECT_EQ(line.title, "Replacements found: " + std::to_string(count));
    EXPECT_FALSE(line.enabled);
    EXPECT_EQ(line.action, MenuAction::none);
  }
}

}  // namespace
}  // namespace marlinet
