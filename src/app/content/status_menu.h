#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/content/expansion_status.h"

namespace marlinet {

// What choosing a menu row does; `none` for information rows and separators.
enum class MenuAction {
  none,
  toggleEnabled,
  reload,
  showExcludeApps,
  showReplacements,
  showOnboarding,
  showPreferences,
  checkForUpdates,
  quit,
};

struct MenuRow {
  bool isSeparator = false;
  std::string title;
  // A single character used with the Command modifier; empty for none.
  std::string keyEquivalent;
  MenuAction action = MenuAction::none;
  bool enabled = true;
  bool checked = false;
  std::string symbolName;  // empty for no image

  friend bool operator==(const MenuRow&, const MenuRow&) = default;
};

struct StatusMenuInputs {
  ExpansionStatus status = ExpansionStatus::off;
  bool expansionEnabled = false;       // the stored preference
  std::int64_t replacementCount = 0;   // entries in the merged list
  bool editsOwnList = false;           // Marlinet keeps the user's list itself
};

struct StatusMenu {
  std::vector<MenuRow> rows;
};

// The rows of the status menu, top to bottom, exactly as they are shown.
StatusMenu buildStatusMenu(const StatusMenuInputs& inputs);

}  // namespace marlinet
