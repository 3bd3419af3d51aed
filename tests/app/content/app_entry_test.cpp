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

TEST(MakeEntries, OnlyInstalledDefaultsAreListedUnderTheirTableNamesUnlessRunning) {
  FakeInstalledApplications apps;
  apps.install("com.apple.Notes", "/System/Applications/Notes.app");
  apps.install("com.googlecode.iterm2");
  apps.install("com.apple.Safari");
  apps.launch("com.apple.Safari", "Safari Technology");
  // Restoring the defaults puts every default back in the set; that must not list the missing ones.
  const auto entries = makeEntries(apps, own, Preferences::defaultExcludedBundleIDs());
  EXPECT_THAT(names(entries), ElementsAre("iTerm2", "Notes", "Safari Technology"));
  EXPECT_TRUE(entries[2].isDefault) << "a running default keeps its tag";
  EXPECT_EQ(iconFile(entries[1]), "/System/Applications/Notes.app");
}

TEST(MakeEntries, RunningApplicationsNeedADockPresenceAndAnIdentifier) {
  FakeInstalledApplications apps;
  apps.install("com.example.editor");
  apps.launch("com.example.editor", "Editor");
  apps.launch("com.example.helper", "Helper", Policy::accessory);
  apps.launch("com.example.daemon", "Daemon", Policy::prohibited);
  apps.launch(std::nullopt, "Nameless");
  apps.launch("", "Empty");
  apps.launch("com.example.unnamed", std::nullopt);
  apps.launch("com.example.blank", "");
  const auto entries = makeEntries(apps, own, {});
  EXPECT_THAT(names(entries), ElementsAre("com.example.blank", "com.example.unnamed", "Editor"));
  EXPECT_FALSE(entries[2].isDefault);
  EXPECT_EQ(iconFile(entries[2]), "/Applications/com.example.editor.app");
  // Running from somewhere the desktop cannot locate: listed, but without an icon.
  EXPECT_EQ(entries[1].icon, nullptr);
}

TEST(MakeEntries, TheProgramNeverListsItself) {
  FakeInstalledApplications apps;
  apps.install(*own);
  apps.launch(own, "Marlinet");
  apps.launch("com.example.editor", "Editor");
  EXPECT_THAT(names(makeEntries(apps, own, {*own})), ElementsAre("Editor"));
  // Without an identifier of its own nothing is filtered.
  EXPECT_THAT(names(makeEntries(apps, std::nullopt, {})), ElementsAre("Editor", "Marlinet"));
}

TEST(MakeEntries, ExcludedApplicationsAreListedOnlyWhileInstalled) {
  FakeInstalledApplications apps;
  apps.install("com.example.tool");
  const auto entries = makeEntries(apps, own, {"com.example.tool", "com.example.gone", ""});
  EXPECT_THAT(names(entries), ElementsAre("com.example.tool"));
  EXPECT_NE(entries[0].icon, nullptr);
}

TEST(MakeEntries, NamesSortWithoutRegardToCase) {
  FakeInstalledApplications apps;
  for (const char* id : {"com.apple.iWork.Keynote", "com.googlecode.iterm2", "com.apple.freeform"}) apps.install(id);
  apps.launch("com.example.zed", "zed");
  apps.launch("com.example.alpha", "Alpha");
  apps.launch("com.example.beta", "beta");
  apps.launch("com.example.beta-upper", "BETA");
  apps.launch("com.example.beta-second", "beta");
  const auto entries = makeEntries(apps, own, {});
  EXPECT_THAT(names(entries), ElementsAre("Alpha", "BETA", "beta", "beta", "Freeform", "iTerm2", "Keynote", "zed"));
  // Names that compare equal still come out in one fixed order.
  EXPECT_EQ(entries[2].id, "com.example.beta");
  EXPECT_EQ(entries[3].id, "com.example.beta-second");
}

TEST(ExcludeAppsContent, RowIsCheckedExactlyWhenTheSetHoldsItsId) {
  FakeInstalledApplications apps;
  apps.install("com.apple.Notes");
  apps.install("com.example.tool");
  apps.launch("com.example.editor", "Editor");
  const auto check = [&](const std::set<std::string>& excluded) {
    const ExcludeAppsContent content = buildExcludeAppsContent(makeEntries(apps, own, excluded), excluded);
    std::vector<std::string> checked;
    for (const ExcludeAppsRow& row : content.rows) {
      if (row.checked) checked.push_back(row.entry.id);
    }
    return checked;
  };
  // Fresh installation and after "Restore Defaults": only the installed defaults are checked.
  EXPECT_THAT(check(Preferences::defaultExcludedBundleIDs()), ElementsAre("com.apple.Notes"));
  // The user unchecked Notes and checked an application of their own.
  EXPECT_THAT(check({"com.example.tool", "com.example.editor"}), ElementsAre("com.example.tool", "com.example.editor"));
}

}  // namespace
}  // namespace marlinet
