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
  StatusMenuController menu(statusMenuHooks(model->handle(), [] {}, [&](bool d) { dimmed = d; }));
  EXPECT_FALSE(dimmed) << "computed at creation, from the running model";
  EXPECT_TRUE(hasRow(menu.menuNeedsUpdate(), "Replacements found: 1"));
  // A replacement added in the system settings shows at the next opening, without "Reload".
  h.setSystemList({{"omw", "on my way"}, {"brb", "be right back"}});
  EXPECT_TRUE(hasRow(menu.menuNeedsUpdate(), "Replacements found: 2"));

  // Revoking Accessibility stops the tap at the next opening, which then asks for access.
  h.permissions.accessibility = false;
  EXPECT_TRUE(hasRow(menu.menuNeedsUpdate(), "Allow Access…"));
  EXPECT_FALSE(h.tap.running);
  EXPECT_FALSE(dimmed) << "opening the menu leaves the icon alone";
  menu.menuDidClose();
  EXPECT_TRUE(dimmed);

  // The switch turns expansion off and dims the icon at once.
  h.permissions.accessibility = true;
  menu.perform(MenuAction::toggleEnabled);
  EXPECT_FALSE(model->preferences().expansionEnabled());
  EXPECT_TRUE(dimmed);
}

TEST_F(ModelContentTest, SettingsAndExcludedAppsReadTheModel) {
  h.bundle.info.erase(std::string(BundleInfo::buildVersionKey));
  h.bundle.info[std::string(BundleInfo::shortVersionKey)] = PropertyList(std::int64_t{2});  // not text
  h.permissions.inputMonitoring = false;
  const SettingsContent content = settingsContent(PreferencesWindowContent(model->handle(), false)).value();
  EXPECT_EQ(content.updates.versionText, "? (?)");
  EXPECT_EQ(content.replacements.found.value, 1);
  EXPECT_EQ(content.expanding.excludedApps.value, std::ssize(model->excludedBundleIDs()));
  EXPECT_TRUE(content.permissions.inputMonitoring.granted) << "the running tap proves the keys are seen";

  // The list never shows the program itself.
  h.installedApplications.install("com.apple.Safari");
  h.installedApplications.launch(*h.bundle.identifier, "Marlinet");
  h.installedApplications.launch("com.example.chat", "Chat");
  const ExcludeAppsContent apps = excludeAppsContent(ExcludeAppsWindowContent(model->handle())).value();
  ASSERT_EQ(apps.rows.size(), 2u);
  EXPECT_EQ(apps.rows[0].entry.name, "Chat");
  EXPECT_TRUE(apps.rows[1].checked);
}

TEST_F(ModelContentTest, WindowsAndTheMenuOutliveTheModelSafely) {
  // The desktop keeps what it drew alive after the model is gone (Qt at quit).
  model->showPreferences();
  model->showExcludeApps();
  model->showOnboarding();
  std::vector<std::shared_ptr<WindowContent>> kept;
  for (const char* id : {"preferences", "exclude", "onboarding"}) kept.push_back(model->windows().window(id)->content);
  StatusMenuController menu(statusMenuHooks(model->handle(), [] {}, [](bool) {}));
  model.reset();

  EXPECT_FALSE(h.windowHost.isVisible("preferences")) << "the model closes its windows when it goes";
  EXPECT_FALSE(settingsContent(dynamic_cast<PreferencesWindowContent&>(*kept[0])));
  EXPECT_FALSE(excludeAppsContent(dynamic_cast<ExcludeAppsWindowContent&>(*kept[1])));
  auto& onboarding = dynamic_cast<OnboardingWindowContent&>(*kept[2]);
  EXPECT_FALSE(onboardingContent(onboarding));
  onboarding.onDone();
  menu.perform(MenuAction::toggleEnabled);
  menu.perform(MenuAction::reload);
  EXPECT_FALSE(menu.menuNeedsUpdate().rows.empty()) << "the menu still draws, showing expansion off";
}

}  // namespace
}  // namespace marlinet
