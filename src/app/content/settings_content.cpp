#include "app/content/settings_content.h"

#include <utility>

#include "app/localization.h"

namespace marlinet {
namespace {

CountRow countRow(std::string_view title, std::int64_t value) {
  CountRow row;
  row.title = localized(title);
  row.value = value;
  row.valueText = std::to_string(value);
  return row;
}

ExpandingSection expandingSection(const SettingsInputs& inputs) {
  ExpandingSection section;
  section.title = localized("Expanding");
  section.expandReplacements = {localized("Expand text replacements"), inputs.expansionEnabled,
                                SettingsAction::setEnabled};
  section.openAtLogin = {localized("Open at login"), inputs.opensAtLogin, SettingsAction::setOpensAtLogin};
  section.excludedApps = countRow("Excluded apps", inputs.excludedCount);
  section.excludedApps.button = SettingsButton{localized("Edit…"), SettingsAction::showExcludeApps, false};
  section.note = localized(
      "Shortcuts made of English letters, digits and punctuation expand after a space, return, tab or "
      "punctuation. While a Korean, Japanese or Chinese input source is selected, Marlinet does nothing.");
  return section;
}

ReplacementsSection replacementsSection(const ReplacementSummary& summary, bool editsOwnList) {
  ReplacementsSection section;
  section.title = localized("Text replacements");
  section.found = countRow("Replacements found", summary.count);
  section.fromSystem = countRow("From System Settings", summary.systemCount);
  // Where Marlinet keeps the list, it is edited here, and people arrive from
  // other expanders; elsewhere the system's settings keep it.
  if (editsOwnList) section.fromSystem.button = SettingsButton{localized("Edit…"), SettingsAction::showReplacements, false};
  if (summary.importedCount >= 1) {
    CountRow imported = countRow("From imported file", summary.importedCount);
    imported.button = SettingsButton{localized("Remove"), SettingsAction::removeImported, true};
    section.fromImported = std::move(imported);
  }
  if (summary.skippedNonASCII >= 1) {
    section.skippedNote =
        localized("%lld shortcuts with other characters (such as Hangul) are skipped in this version.",
                  summary.skippedNonASCII);
  }
  section.leadingButtons = {{localized("Reload"), SettingsAction::reload, false},
                            {localized("Import .plist…"), SettingsAction::importReplacements, false}};
  if (editsOwnList) {
    section.leadingButtons.push_back({localized("Import AutoKey Folder…"), SettingsAction::importFolder, false});
  } else {
    section.trailingButton = {localized("Edit in System Settings…"), SettingsAction::openKeyboardSettings, false};
  }
  return section;
}

PermissionsSection permissionsSection(const SettingsInputs& inputs) {
  PermissionsSection section;
  section.title = localized("Permissions");
  section.accessibility = permissionLine(localized("Accessibility"), inputs.permissions.accessibility);
  // A running tap proves the keys arrive even when the preflight check says otherwise.
  section.inputMonitoring = permissionLine(localized("Input Monitoring"),
                                           inputs.permissions.inputMonitoring || inputs.permissions.tapRunning);
  if (inputs.status == ExpansionStatus::needsAccessibility) {
    section.allowAccess = SettingsButton{localized("Allow Access…"), SettingsAction::showOnboarding, false};
  }
  section.privacyNote = privacyNote();
  return section;
}

UpdatesSection updatesSection(const SettingsInputs& inputs) {
  UpdatesSection section;
  section.title = localized("Updates");
  section.automaticUpdates = {localized("Check for updates automatically"), inputs.automaticUpdates,
                              SettingsAction::setAutomaticUpdates};
  section.checkForUpdates = {localized("Check for Updates…"), SettingsAction::checkForUpdates, false};
  section.versionTitle = localized("Version");
  section.versionText = inputs.versionText;
  return section;
}

}  // namespace

PermissionLine permissionLine(std::string title, bool granted) {
  PermissionLine line;
  line.title = std::move(title);
  line.granted = granted;
  if (granted) {
    line.stateText = localized("On");
    line.symbolName = "checkmark.circle.fill";
    line.tint = Tint::green;
  } else {
    line.stateText = localized("Off");
    line.symbolName = "exclamationmark.triangle.fill";
    line.tint = Tint::orange;
  }
  return line;
}

SettingsContent buildSettingsContent(const SettingsInputs& inputs) {
  return {expandingSection(inputs), replacementsSection(inputs.summary, inputs.editsOwnList), permissionsSection(inputs),
          updatesSection(inputs)};
}

}  // namespace marlinet
