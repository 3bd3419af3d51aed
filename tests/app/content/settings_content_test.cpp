#include "app/content/settings_content.h"

#include <gtest/gtest.h>

#include "app/content/onboarding_content.h"
#include "app/content/version_text.h"

namespace marlinet {
namespace {

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
  EXPECT_EQ(versionText("1.2", "34"), "1.2 (34)");
  EXPECT_EQ(versionText("", std::nullopt), "? (?)");
  EXPECT_EQ(versionText(std::nullopt, ""), "? (?)");
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

}  // namespace
}  // namespace marlinet
