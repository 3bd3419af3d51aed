// What the menu and windows show, read off a running model.

#include "app/model_content.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/app/app_harness.h"

namespace marlinet {
namespace {

using testing::AppHarness;

class ModelContentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.permissions.accessibility = true;
    h.tap.startSucceeds = true;
    h.setSystemList({{"omw", "on my way"}});
    model = h.makeModel();
    model->start();
  }

  static bool hasRow(const StatusMenu& menu, const std::string& title) {
    return std::any_of(menu.rows.begin(), menu.rows.end(), [&](const MenuRow& row) { return row.title == title; });
  }

  AppHarness h;
  std::unique_ptr<AppModel> model;
};

TEST_F(ModelContentTest, TheMenuReadsTheModelAfreshAtEveryOpening) {
  bool dimmed = true;
  StatusMenuController menu(statusMenuHooks(*model, [] {}, [&](bool d) { dimmed = d; }));
  EXPECT_FALSE(dimmed) << "computed at creation, from the running model";

  const StatusMenu& first = menu.menuNeedsUpdate();
  EXPECT_EQ(first.rows.front().title, "Expanding in apps that don’t do it themselves");
  EXPECT_TRUE(hasRow(first, "Replacements found: 1"));

  // A replacement added in the system settings shows at the next opening, without "Reload".
  h.setSystemList({{"omw", "on my way"}, {"brb", "be right back"}});
  EXPECT_TRUE(hasRow(menu.menuNeedsUpdate(), "Replacements found: 2"));

  // Revoking Accessibility stops the tap at the next opening, which then asks for access.
  h.permissions.accessibility = false;
  const StatusMenu& blocked = menu.menuNeedsUpdate();
  EXPECT_EQ(blocked.rows.front().title, "Needs Accessibility access");
  EXPECT_TRUE(hasRow(blocked, "Allow Access…"));
  EXPECT_FALSE(h.tap.running);
  EXPECT_FALSE(dimmed) << "opening the menu leaves the icon alone";
  menu.menuDidClose();
  EXPECT_TRUE(dimmed);

  // The switch turns expansion off and dims the icon at once.
  h.permissions.accessibility = true;
  menu.perform(MenuAction::toggleEnabled);
  EXPECT_FALSE(model->preferences().expansionEnabled());
  EXPECT_TRUE(dimmed);
  EXPECT_EQ(menu.menuNeedsUpdate().rows.front().title, "Expansion is off");
}

TEST_F(ModelContentTest, SettingsShowCountsPermissionsAndVersionFromTheModel) {
  h.bundle.info.erase(std::string(BundleInfo::buildVersionKey));
  h.bundle.info[std::string(BundleInfo::shortVersionKey)] = PropertyList(std::int64_t{2});  // not text
  h.permissions.inputMonitoring = false;
  const PreferencesWindowContent window(*model, false);

  const SettingsContent content = settingsContent(window);
  EXPECT_EQ(content.updates.versionText, "? (?)");
  EXPECT_EQ(content.replacements.found.value, 1);
  EXPECT_FALSE(content.replacements.fromImported.has_value());
  EXPECT_EQ(content.expanding.excludedApps.value, 19);
  EXPECT_TRUE(content.permissions.inputMonitoring.granted) << "the running tap proves the keys are seen";
  EXPECT_FALSE(content.updates.automaticUpdates.on);
}

TEST_F(ModelContentTest, ExcludedAppsListNeverShowsTheProgramItself) {
  h.installedApplications.install("com.apple.Safari");
  h.installedApplications.launch(*h.bundle.identifier, "Marlinet");
  h.installedApplications.launch("com.example.chat", "Chat");
  const ExcludeAppsContent content = excludeAppsContent(*model);
  ASSERT_EQ(content.rows.size(), 2u);
  EXPECT_EQ(content.rows[0].entry.name, "Chat");
  EXPECT_FALSE(content.rows[0].checked);
  EXPECT_EQ(content.rows[1].entry.name, "Safari");
  EXPECT_TRUE(content.rows[1].checked);
}

}  // namespace
}  // namespace marlinet
