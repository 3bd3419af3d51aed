#include "app/content/settings_content.h"

#include <gtest/gtest.h>

#include "app/content/version_text.h"

namespace marlinet {
namespace {

SettingsInputs inputsWith(ReplacementSummary summary) {
  SettingsInputs inputs;
  inputs.status = ExpansionStatus::expanding;
  inputs.expansionEnabled = true;
  inputs.summary = summary;
  return inputs;
}

TEST(SettingsContent, ImportedRowOnlyWhileAnImportedListHasEntries) {
  // Also: the system count shows even when it is 0.
  for (const std::int64_t imported : {0, 1, 7}) {
    ReplacementSummary summary;
    summary.count = imported == 0 ? 0 : 4;  // every imported shortcut is also a system one
    summary.systemCount = summary.count;
    summary.importedCount = imported;
    const ReplacementsSection section = buildSettingsContent(inputsWith(summary)).replacements;
    EXPECT_EQ(section.found.valueText, std::to_string(summary.count));
    EXPECT_EQ(section.fromSystem.valueText, std::to_string(summary.systemCount));
    EXPECT_FALSE(section.fromSystem.button.has_value());
    ASSERT_EQ(section.fromImported.has_value(), imported >= 1);
    if (!section.fromImported) continue;
    EXPECT_EQ(section.fromImported->value, imported);
    EXPECT_EQ(section.fromImported->valueText, std::to_string(imported));
    ASSERT_TRUE(section.fromImported->button.has_value());
    EXPECT_EQ(section.fromImported->button->action, SettingsAction::removeImported);
    EXPECT_TRUE(section.fromImported->button->destructive);
  }
}

TEST(SettingsContent, SkippedNoteOnlyWhenSomethingWasSkipped) {
  for (const std::int64_t skipped : {0, 1, 42}) {
    ReplacementSummary summary;
    summary.skippedNonASCII = skipped;
    const auto note = buildSettingsContent(inputsWith(summary)).replacements.skippedNote;
    ASSERT_EQ(note.has_value(), skipped >= 1);
    if (note) {
      EXPECT_EQ(*note, std::to_string(skipped) +
                           " shortcuts with other characters (such as Hangul) are skipped in this version.");
    }
  }
}

TEST(SettingsContent, AllowAccessOnlyWhenExpansionWaitsForAccess) {
  const ExpansionStatus statuses[] = {ExpansionStatus::expanding, ExpansionStatus::off,
                                      ExpansionStatus::needsAccessibility, ExpansionStatus::noReplacements};
  for (const ExpansionStatus status : statuses) {
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
    EXPECT_EQ(section.inputMonitoring.granted, inputs.permissions.inputMonitoring || inputs.permissions.tapRunning);
    for (const PermissionLine* line : {&section.accessibility, &section.inputMonitoring}) {
      EXPECT_EQ(line->stateText, line->granted ? "On" : "Off");
      EXPECT_EQ(line->tint, line->granted ? Tint::green : Tint::orange);
      EXPECT_EQ(line->symbolName, line->granted ? "checkmark.circle.fill" : "exclamationmark.triangle.fill");
    }
    EXPECT_FALSE(section.privacyNote.body.empty());
  }
}

TEST(VersionText, MissingPartsBecomeQuestionMarks) {
  struct Case {
    std::optional<std::string> shortVersion, build;
    std::string expected;
  };
  const Case cases[] = {
      {"1.2", "34", "1.2 (34)"},
      {"1.2", std::nullopt, "1.2 (?)"},
      {std::nullopt, "34", "? (34)"},
      {std::nullopt, std::nullopt, "? (?)"},
      {"", "", "? (?)"},
  };
  for (const Case& c : cases) EXPECT_EQ(versionText(c.shortVersion, c.build), c.expected);
}

}  // namespace
}  // namespace marlinet
