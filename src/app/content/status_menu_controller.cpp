#include "app/content/status_menu_controller.h"

#include <utility>

#include "app/content/status_presentation.h"

namespace marlinet {
namespace {

void run(const std::function<void()>& hook) {
  if (hook) hook();
}

}  // namespace

StatusMenuController::StatusMenuController(StatusMenuHooks hooks) : hooks_(std::move(hooks)) { refreshIcon(); }

const StatusMenu& StatusMenuController::menuNeedsUpdate() {
  run(hooks_.updateTap);
  run(hooks_.reload);
  // One reading of the status, so the status line and "Allow Access…" agree.
  StatusMenuInputs inputs;
  inputs.status = currentStatus();
  inputs.expansionEnabled = hooks_.expansionEnabled ? hooks_.expansionEnabled() : false;
  inputs.replacementCount = hooks_.replacementCount ? hooks_.replacementCount() : 0;
  inputs.editsOwnList = hooks_.editsOwnList && hooks_.editsOwnList();
  menu_ = buildStatusMenu(inputs);
  return menu_;
}

void StatusMenuController::menuDidClose() { refreshIcon(); }

void StatusMenuController::perform(MenuAction action) {
  switch (action) {
    case MenuAction::none:
      return;
    case MenuAction::toggleEnabled: {
      const bool enabled = hooks_.expansionEnabled ? hooks_.expansionEnabled() : false;
      if (hooks_.setEnabled) hooks_.setEnabled(!enabled);
      refreshIcon();
      return;
    }
    case MenuAction::reload:
      run(hooks_.reload);
      refreshIcon();
      return;
    case MenuAction::showExcludeApps:
      return run(hooks_.showExcludeApps);
    case MenuAction::showReplacements:
      return run(hooks_.showReplacements);
    case MenuAction::showOnboarding:
      return run(hooks_.showOnboarding);
    case MenuAction::showPreferences:
      return run(hooks_.showPreferences);
    case MenuAction::checkForUpdates:
      return run(hooks_.checkForUpdates);
    case MenuAction::quit:
      return run(hooks_.quit);
  }
}

void StatusMenuController::refreshIcon() {
  iconDimmed_ = statusIconDimmed(currentStatus());
  if (hooks_.setIconDimmed) hooks_.setIconDimmed(iconDimmed_);
}

ExpansionStatus StatusMenuController::currentStatus() const {
  return hooks_.status ? hooks_.status() : ExpansionStatus::off;
}

}  // namespace marlinet
