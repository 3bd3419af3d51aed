#include "app/content/settings_content.h"

#include <gtest/gtest.h>

#include "app/content/version_text.h"

namespace marlinet {
namespace {

TEST(SettingsContent, ImportedRowAndSkippedNoteOnlyWhenTheyHaveSomethingToCount) {
  for (const std::int64_t n : {0, 1, 7}) {
    SettingsInputs inputs;
    inputs.summary.count = 4;
    inputs.summary.systemCount = 0;  // shown even when 0
    inputs.summary.importedCount = n;
    inputs.summary.skippedNonASCII = n;
    const ReplacementsSection section = buildSettingsContent(inputs).replacements;
    EXPECT_EQ(section.found.valueText, "4");
    EXPECT_EQ(section.fromSystem.valueText, "0");
    EXPECT_FALSE(section.fromSystem.button.has_value());
    ASSERT_EQ(section.fromImported.has_value(), n >= 1);
    ASSERT_EQ(section.skippedNote.has_value(), n >= 1);
    if (n == 0) continue;
    EXPECT_EQ(section.fromImported->valueText, std::to_string(n));
    ASSERT_TRUE(section.fromImported->button.has_value());
    EXPECT_EQ(section.fromImported->button->action, SettingsAction::removeImported);
    EXPECT_EQ(*section.skippedNote,
              std::to_string(n) + " shortcuts with other characters (such as Hangul) are skipped in this version.");
  }
}

TEST(SettingsContent, AllowAccessOnlyWhenExpansionWaitsForAccess) {
  for (const ExpansionStatus status : {ExpansionStatus::expanding, ExpansionStatus::off,
                                       ExpansionStatus::needsAccessibility, ExpansionStatus::noReplacements}) {
    SettingsInputs inputs;
    inputs.status = status;
    inputs.permissions = {false, false, false};  // missing even while switched off
    const auto allow = buildSettingsContent(inputs).permissions.allowAccess;
    ASSERT_EQ(allow.has_value(), status == ExpansionStatus::needsAccessibility);
    if (allow) {
      EXPECT_EQ(allow->action, SettingsAction::showOnboarding);
    }
  }
}

TEST(SettingsContent, PermissionLinesFollowTheirOwnFacts) {
  for (int bits = 0; bits < 8; ++bits) {
    SettingsInputs inputs;
    inputs.permissions = {(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
    const PermissionsSection section = buildSettingsContent(inputs).permissions;
    EXPECT_EQ(section.accessibility.granted, inputs.permissions.accessibility);
    // A running tap proves the keys arrive.
    EXPECT_EQ(section.inputMonitoring.granted, inputs.permissions.inputMonitoring || inputs.permissions.tapRunning);
    for (const PermissionLine* line : {&section.accessibility, &section.inputMonitoring}) {
      EXPECT_EQ(line->stateText, line->granted ? "On" : "Off");
      EXPECT_EQ(line->tint, line->granted ? Tint::green : Tint::orange);
    }
  }
}

TEST(VersionText, MissingOrEmptyPartsBecomeQuestionMarks) {
  EXPECT_EQ(versionText("1.2", "34"), "1.2 (34)");
  EXPECT_EQ(versionText("1.2", std::nullopt), "1.2 (?)");
  EXPECT_EQ(versionText(std::nullopt, "34"), "? (34)");
  EXPECT_EQ(versionText("", ""), "? (?)");
}

}  // namespace
}  // namespace marlinet
