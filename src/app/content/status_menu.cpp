#include "app/content/status_menu.h"

#include "app/content/status_presentation.h"
#include "app/localization.h"

namespace marlinet {
namespace {

MenuRow information(std::string title, std::string symbolName = {}) {
  MenuRow row;
  row.title = std::move(title);
  row.enabled = false;
  row.symbolName = std::move(symbolName);
  return row;
}

MenuRow command(std::string title, std::string keyEquivalent, MenuAction action) {
  MenuRow row;
  row.title = std::move(title);
  row.keyEquivalent = std::move(keyEquivalent);
  row.action = action;
  return row;
}

MenuRow separator() {
  MenuRow row;
  row.isSeparator = true;
  row.enabled = false;
  return row;
}

}  // namespace

StatusMenu buildStatusMenu(const StatusMenuInputs& inputs) {
  const StatusPresentation presentation = statusPresentation(inputs.status);
  StatusMenu menu;
  auto& rows = menu.rows;
  rows.push_back(information(presentation.text, presentation.symbolName));

  MenuRow toggle = command(localized("Expand Text Replacements"), "e", MenuAction::toggleEnabled);
  toggle.checked = inputs.expansionEnabled;
  rows.push_back(std::move(toggle));

  if (inputs.status == ExpansionStatus::needsAccessibility) {
    MenuRow allow = command(localized("Allow Access…"), "", MenuAction::showOnboarding);
    allow.symbolName = "exclamationmark.triangle";
    rows.push_back(std::move(allow));
  }
  rows.push_back(separator());
  rows.push_back(information(localized("Replacements found: %lld", inputs.replacementCount)));
  rows.push_back(command(localized("Reload"), "r", MenuAction::reload));
  if (inputs.editsOwnList) rows.push_back(command(localized("Replacements…"), "", MenuAction::showReplacements));
  rows.push_back(command(localized("Exclude Apps…"), "", MenuAction::showExcludeApps));
  rows.push_back(separator());
  rows.push_back(command(localized("Settings…"), ",", MenuAction::showPreferences));
  rows.push_back(command(localized("Check for Updates…"), "", MenuAction::checkForUpdates));
  rows.push_back(separator());
  rows.push_back(command(localized("Quit Marlinet"), "q", MenuAction::quit));
  return menu;
}

}  // namespace marlinet
