#pragma once

#include <cstdint>
#include <functional>

#include "app/content/expansion_status.h"
#include "app/content/status_menu.h"

namespace marlinet {

// What the status menu reads and calls. Every hook is optional: a missing
// query answers off / false / 0, a missing command does nothing.
struct StatusMenuHooks {
  std::function<ExpansionStatus()> status;
  std::function<bool()> expansionEnabled;  // the stored preference
  std::function<std::int64_t()> replacementCount;
  std::function<void()> updateTap;
  std::function<void()> reload;
  std::function<void(bool)> setEnabled;
  std::function<void()> showExcludeApps;
  // Only where Marlinet keeps the user's list itself.
  std::function<void()> showReplacements = nullptr;
  std::function<bool()> editsOwnList = nullptr;
  std::function<void()> showOnboarding;
  std::function<void()> showPreferences;
  std::function<void()> checkForUpdates;
  std::function<void()> quit;
  // The drawing layer's status button; told the dimmed look whenever it is recomputed.
  std::function<void(bool dimmed)> setIconDimmed;
};

// The behaviour behind the menu-bar item: which rows the menu shows when it
// opens, what a chosen row does, and when the icon's dimmed look is recomputed
// (at creation, after the menu closes, after a toggle and after a reload).
class StatusMenuController final {
 public:
  explicit StatusMenuController(StatusMenuHooks hooks);

  // The menu is about to open: re-applies the tap state and re-reads the
  // replacement lists first, so the rows always show the current state.
  const StatusMenu& menuNeedsUpdate();
  void menuDidClose();
  void perform(MenuAction action);

  // Recomputes the dimmed look now. The drawing layer may also call this on
  // every change notification of the model, so that the icon does not stay
  // dimmed after launch until the menu is first used.
  void refreshIcon();

  bool iconDimmed() const { return iconDimmed_; }
  // The rows of the last opening; empty before the first.
  const StatusMenu& menu() const { return menu_; }

 private:
  ExpansionStatus currentStatus() const;

  StatusMenuHooks hooks_;
  StatusMenu menu_;
  bool iconDimmed_ = true;
};

}  // namespace marlinet
