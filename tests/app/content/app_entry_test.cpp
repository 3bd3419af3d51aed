#include "app/content/app_entry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/content/exclude_apps_content.h"
#include "replacements/preferences.h"
#include "support/content/fake_installed_applications.h"

namespace marlinet {
namespace {

using ::testing::ElementsAre;
using testing::FakeAppIcon;
using testing::FakeInstalledApplications;
using Policy = RunningApplication::ActivationPolicy;

const std::optional<std::string> own = "com.example.marlinet";

std::vector<std::string> names(const std::vector<AppEntry>& entries) {
  std::vector<std::string> result;
  for (const AppEntry& entry : entries) result.push_back(entry.name);
  return result;
}

std::filesystem::path iconFile(const AppEntry& entry) {
  const auto* icon = dynamic_cast<const FakeAppIcon*>(entry.icon.get());
  return icon ? icon->file : std::filesystem::path();
}

// Defaults are listed only when installed, under their table names unless
// running; running applications need a Dock presence and an identifier.
TEST(MakeEntries, ListsInstalledDefaultsAndRunningApplications) {
  FakeInstalledApplications apps;
  apps.install("com.apple.Notes", "/System/Applications/Notes.app");
  apps.install("com.googlecode.iterm2");
  apps.install("com.apple.Safari");
  apps.launch("com.apple.Safari", "Safari Technology");
  apps.launch("com.example.helper", "Helper", Policy::accessory);
  apps.launch("com.example.daemon", "Daemon", Policy::prohibited);
  apps.launch(std::nullopt, "Nameless");
  apps.launch("", "Empty");
  apps.launch("com.example.unnamed", std::nullopt);
  apps.launch("com.example.blank", "");
  // Restoring the defaults puts every default back in the set; that must not list the missing ones.
  const auto entries = makeEntries(apps, own, Preferences::defaultExcludedBundleIDs());
  EXPECT_THAT(names(entries), ElementsAre("com.example.blank", "com.example.unnamed", "iTerm2", "Notes",
                                          "Safari Technology"));
  EXPECT_FALSE(entries[0].isDefault);
  EXPECT_TRUE(entries[4].isDefault) << "a running default keeps its tag";
  EXPECT_EQ(iconFile(entries[3]), "/System/Applications/Notes.app");
  EXPECT_EQ(iconFile(entries[2]), "/Applications/com.googlecode.iterm2.app");
  EXPECT_EQ(entries[1].icon, nullptr) << "running from somewhere the desktop cannot locate";
}

TEST(MakeEntries, ExcludedApplicationsAreListedOnlyWhileInstalledAndNeverTheProgramItself) {
  FakeInstalledApplications apps;
  apps.install("com.example.tool");
  apps.install(*own);
  apps.launch(own, "Marlinet");
  EXPECT_THAT(names(makeEntries(apps, own, {"com.example.tool", "com.example.gone", "", *own})),
              ElementsAre("com.example.tool"));
  // Without an identifier of its own nothing is filtered.
  EXPECT_THAT(names(makeEntries(apps, std::nullopt, {})), ElementsAre("Marlinet"));
}

TEST(MakeEntries, NamesSortWithoutRegardToCaseInOneFixedOrder) {
  FakeInstalledApplications apps;
  apps.install("com.googlecode.iterm2");
  apps.launch("com.example.zed", "zed");
  apps.launch("com.example.alpha", "Alpha");
  apps.launch("com.example.upper", "BETA");  // before "beta" by its name, not its identifier
  // Enough equal names that an unstable sort would shuffle them without the identifier.
  std::vector<std::string> sameIds;
  for (int i = 10; i < 50; ++i) sameIds.push_back("com.example.beta-" + std::to_string(i));
  for (const std::string& id : sameIds) apps.launch(id, "beta");
  const auto entries = makeEntries(apps, own, {});
  std::vector<std::string> expectedNames{"Alpha", "BETA"};
  expectedNames.insert(expectedNames.end(), sameIds.size(), "beta");
  expectedNames.insert(expectedNames.end(), {"iTerm2", "zed"});
  EXPECT_EQ(names(entries), expectedNames);
  for (std::size_t i = 0; i < sameIds.size(); ++i) EXPECT_EQ(entries[2 + i].id, sameIds[i]);
}

TEST(ExcludeAppsContent, RowIsCheckedExactlyWhenTheSetHoldsItsId) {
  FakeInstalledApplications apps;
  apps.install("com.apple.Notes");
  apps.install("com.example.tool");
  apps.launch("com.example.editor", "Editor");
  const auto check = [&](const std::set<std::string>& excluded) {
    std::vector<std::string> checked;
    for (const ExcludeAppsRow& row : buildExcludeAppsContent(makeEntries(apps, own, excluded), excluded).rows) {
      if (row.checked) checked.push_back(row.entry.id);
    }
    return checked;
  };
  // After "Restore Defaults" only the installed defaults are checked.
  EXPECT_THAT(check(Preferences::defaultExcludedBundleIDs()), ElementsAre("com.apple.Notes"));
  EXPECT_THAT(check({"com.example.tool", "com.example.editor"}), ElementsAre("com.example.tool", "com.example.editor"));
}

}  // namespace
}  // namespace marlinet
