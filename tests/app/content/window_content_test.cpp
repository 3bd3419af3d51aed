// What the windows show: the Exclude Apps list, the settings and the onboarding steps.

#include "app/content/app_entry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/content/exclude_apps_content.h"
#include "app/content/onboarding_content.h"
#include "app/content/settings_content.h"
#include "app/content/status_menu.h"
#include "app/content/version_text.h"
#include "app/localization.h"
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

// Defaults are listed only when installed, under their table names unless
// running; running applications need a Dock presence and an identifier;
// excluded ones only while installed; never the program itself.
TEST(MakeEntries, ListsInstalledDefaultsExcludedAndRunningApplications) {
  FakeInstalledApplications apps;
  apps.install("com.apple.Notes", "/System/Applications/Notes.app");
  apps.install("com.googlecode.iterm2");
  apps.install("com.apple.Safari");
  apps.install("com.example.tool");
  apps.install(*own);
  apps.launch(own, "Marlinet");
  apps.launch("com.apple.Safari", "Safari Technology");
  apps.launch("com.example.helper", "Helper", Policy::accessory);
  apps.launch("com.example.daemon", "Daemon", Policy::prohibited);
  apps.launch(std::nullopt, "Nameless");
  apps.launch("", "Empty");
  apps.launch("com.example.unnamed", std::nullopt);
  // Restoring the defaults puts every default back in the set; that must not list the missing ones.
  auto excluded = Preferences::defaultExcludedBundleIDs();
  excluded.insert({"com.example.tool", "com.example.gone", "", *own});
  const auto entries = makeEntries(apps, own, excluded);
  // The defaults first.
  EXPECT_THAT(names(entries), ElementsAre("iTerm2", "Notes", "Safari Technology", "com.example.tool",
                                          "com.example.unnamed"));
  EXPECT_FALSE(entries[3].isDefault);
  EXPECT_TRUE(entries[2].isDefault) << "a running default keeps its tag";
  EXPECT_EQ(dynamic_cast<const FakeAppIcon&>(*entries[1].icon).file, "/System/Applications/Notes.app");
  EXPECT_EQ(entries[4].icon, nullptr) << "running from somewhere the desktop cannot locate";

  // Only the installed defaults and the set's own members are checked.
  std::vector<std::string> checked;
  for (const ExcludeAppsRow& row : buildExcludeAppsContent(entries, excluded).rows) {
    if (row.checked) checked.push_back(row.entry.id);
  }
  EXPECT_THAT(checked, ElementsAre("com.googlecode.iterm2", "com.apple.Notes", "com.apple.Safari", "com.example.tool"));
}

TEST(MakeEntries, NamesSortWithoutRegardToCaseThenByIdentifier) {
  FakeInstalledApplications apps;
  apps.install("com.googlecode.iterm2");
  apps.launch("com.example.zed", "zed");
  apps.launch("com.example.upper", "BETA");  // before "beta" by its name, not its identifier
  // Enough equal names that an unstable sort would shuffle them without the identifier.
  for (int i = 10; i < 50; ++i) apps.launch("com.example.beta-" + std::to_string(i), "beta");
  const auto entries = makeEntries(apps, own, {});
  ASSERT_EQ(entries.size(), 43u);
  EXPECT_EQ(entries[0].name, "iTerm2") << "a default before every other";
  EXPECT_EQ(entries[1].name, "BETA");
  for (std::size_t i = 2; i <= 41; ++i) EXPECT_EQ(entries[i].id, "com.example.beta-" + std::to_string(8 + i));
  EXPECT_EQ(entries[42].name, "zed");
  // Another desktop's table decides what is a default: iTerm2 is none there, and only installed.
  const auto onLinux = makeEntries(apps, own, {}, Preferences::linuxExcludedApps);
  ASSERT_EQ(onLinux.size(), 42u);
  EXPECT_EQ(onLinux[0].name, "BETA");
}


// --- Settings and onboarding ------------------------------------------------------

TEST(SettingsContent, ImportedRowAndSkippedNoteOnlyWhenTheyHaveSomethingToCount) {
  for (const std::int64_t n : {0, 1, 7}) {
    SettingsInputs inputs;
    inputs.summary.importedCount = n;
    inputs.summary.skippedNonASCII = n;
    const ReplacementsSection section = buildSettingsContent(inputs).replacements;
    ASSERT_EQ(section.fromImported.has_value(), n >= 1);
    ASSERT_EQ(section.skippedNote.has_value(), n >= 1);
    if (n == 0) continue;
    EXPECT_EQ(section.fromImported->valueText, std::to_string(n));
    EXPECT_EQ(*section.skippedNote,
              std::to_string(n) + " shortcuts with other characters (such as Hangul) are skipped in this version.");
  }
}

TEST(SettingsContent, PermissionLinesFollowTheirOwnFactsAndAllowAccessTheStatus) {
  for (int bits = 0; bits < 8; ++bits) {
    for (const ExpansionStatus status : {ExpansionStatus::expanding, ExpansionStatus::off,
                                         ExpansionStatus::needsAccessibility, ExpansionStatus::noReplacements}) {
      SettingsInputs inputs;
      inputs.status = status;
      inputs.permissions = {(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
      const PermissionsSection section = buildSettingsContent(inputs).permissions;
      EXPECT_EQ(section.accessibility.granted, inputs.permissions.accessibility);
      // A running tap proves the keys arrive.
      EXPECT_EQ(section.inputMonitoring.granted, inputs.permissions.inputMonitoring || inputs.permissions.tapRunning);
      EXPECT_EQ(section.allowAccess.has_value(), status == ExpansionStatus::needsAccessibility);
    }
  }
}

TEST(VersionText, MissingOrEmptyPartsBecomeQuestionMarks) {
  EXPECT_EQ(versionText("1.2", ""), "1.2 (?)");
  EXPECT_EQ(versionText(std::nullopt, "34"), "? (34)");
}

TEST(OnboardingContent, StepsAndFooterFollowThePermissions) {
  for (int bits = 0; bits < 8; ++bits) {
    const PermissionStatus permissions{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
    SCOPED_TRACE(bits);
    const OnboardingContent content = buildOnboardingContent({permissions, 3'000'000'000});
    EXPECT_EQ(content.steps[0].granted, permissions.accessibility);
    // Input Monitoring is done once either the check says so or the keys arrive.
    EXPECT_EQ(content.steps[1].granted, permissions.inputMonitoring || permissions.tapRunning);
    EXPECT_EQ(content.steps[1].badgeSymbol, content.steps[1].granted ? "checkmark.circle.fill" : "2.circle");
    // Only a running tap confirms; the count shows whole, beyond 32 bits.
    EXPECT_EQ(content.footer.confirmed, permissions.tapRunning);
    EXPECT_EQ(content.footer.text, permissions.tapRunning ? "Marlinet is on. Replacements found: 3000000000"
                                                          : "Waiting for access…");
  }
}

TEST(DesktopWording, NothingAnX11UserSeesSpeaksOfTheMac) {
  setDesktopWording(DesktopWording::x11);
  std::string shown;
  const auto add = [&](const std::string& text) { shown += text + "\n"; };
  for (const ExpansionStatus status : {ExpansionStatus::expanding, ExpansionStatus::off,
                                       ExpansionStatus::needsAccessibility, ExpansionStatus::noReplacements}) {
    for (const MenuRow& row : buildStatusMenu({status, true, 1}).rows) add(row.title);
    SettingsInputs inputs;
    inputs.status = status;
    inputs.editsOwnList = true;
    const SettingsContent settings = buildSettingsContent(inputs);
    add(settings.expanding.note);
    add(settings.replacements.fromSystem.title);
    for (const SettingsButton& button : settings.replacements.leadingButtons) add(button.title);
    EXPECT_FALSE(settings.replacements.trailingButton.has_value()) << "the system's settings keep no list here";
    for (const PermissionLine& line : {settings.permissions.accessibility, settings.permissions.inputMonitoring})
      add(line.title);
    if (settings.permissions.allowAccess) add(settings.permissions.allowAccess->title);
    add(settings.permissions.privacyNote.title);
  }
  const OnboardingContent onboarding = buildOnboardingContent({});
  add(onboarding.introduction);
  add(onboarding.footer.text);
  for (const PermissionStep& step : onboarding.steps) add(step.title + step.detail + step.buttonTitle);
  setDesktopWording(DesktopWording::mac);
  for (const char* mac : {"macOS", "System Settings", "this Mac", "Accessibility", "Input Monitoring"}) {
    EXPECT_EQ(shown.find(mac), std::string::npos) << mac << " in:\n" << shown;
  }
}

}  // namespace
}  // namespace marlinet
