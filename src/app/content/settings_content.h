#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/content/expansion_status.h"
#include "app/content/permission_status.h"
#include "app/content/privacy_note.h"
#include "replacements/replacement_library.h"

namespace marlinet {

// What a control of the settings window calls when the user operates it.
enum class SettingsAction {
  setEnabled,            // with the switch's new position
  setOpensAtLogin,       // with the switch's new position
  showExcludeApps,
  showReplacements,
  removeImported,
  reload,
  importReplacements,
  importFolder,
  openKeyboardSettings,
  showOnboarding,
  setAutomaticUpdates,   // with the switch's new position
  checkForUpdates,
};

enum class Tint { standard, secondary, green, orange };

struct SettingsSwitch {
  std::string title;
  bool on = false;
  SettingsAction action = SettingsAction::setEnabled;
};

struct SettingsButton {
  std::string title;
  SettingsAction action = SettingsAction::reload;
  bool destructive = false;
};

// A labelled number, shown in digits of even width, with an optional button.
struct CountRow {
  std::string title;
  std::int64_t value = 0;
  std::string valueText;
  std::optional<SettingsButton> button;
};

// One read-only permission fact.
struct PermissionLine {
  std::string title;
  bool granted = false;
  std::string stateText;   // "On" / "Off"
  std::string symbolName;
  Tint tint = Tint::standard;  // of both the text and the symbol
};

struct ExpandingSection {
  std::string title;
  SettingsSwitch expandReplacements;
  SettingsSwitch openAtLogin;
  CountRow excludedApps;
  std::string note;
};

struct ReplacementsSection {
  std::string title;
  CountRow found;
  CountRow fromSystem;
  std::optional<CountRow> fromImported;  // only while an imported list has entries
  std::optional<std::string> skippedNote;
  std::vector<SettingsButton> leadingButtons;  // left to right
  std::optional<SettingsButton> trailingButton;  // after flexible space
};

struct PermissionsSection {
  std::string title;
  PermissionLine accessibility;
  PermissionLine inputMonitoring;
  std::optional<SettingsButton> allowAccess;
  PrivacyNote privacyNote;
};

struct UpdatesSection {
  std::string title;
  SettingsSwitch automaticUpdates;
  SettingsButton checkForUpdates;
  std::string versionTitle;
  std::string versionText;
};

struct SettingsInputs {
  ExpansionStatus status = ExpansionStatus::off;
  bool expansionEnabled = false;
  bool opensAtLogin = false;
  std::int64_t excludedCount = 0;
  bool editsOwnList = false;  // Marlinet keeps the user's list itself
  ReplacementSummary summary;
  PermissionStatus permissions;
  bool automaticUpdates = true;  // the window's own switch state
  std::string versionText;       // see versionText()
};

struct SettingsContent {
  ExpandingSection expanding;
  ReplacementsSection replacements;
  PermissionsSection permissions;
  UpdatesSection updates;
};

// The settings form, computed afresh at every redraw.
SettingsContent buildSettingsContent(const SettingsInputs& inputs);

PermissionLine permissionLine(std::string title, bool granted);

}  // namespace marlinet
