#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "app/window_host.h"

namespace marlinet {

class AppModel;
class PermissionWatcher;

// The onboarding window follows the permission watcher; the replacement count
// it confirms is the one when the window was made.
struct OnboardingWindowContent final : WindowContent {
  OnboardingWindowContent(PermissionWatcher& watcher, std::int64_t replacementCount, std::function<void()> onDone)
      : watcher(watcher), replacementCount(replacementCount), onDone(std::move(onDone)) {}

  PermissionWatcher& watcher;
  const std::int64_t replacementCount;
  std::function<void()> onDone;  // closes the window
};

// The settings window redraws from the model; the automatic-update switch is
// the window's own state, starting from the updater's setting.
struct PreferencesWindowContent final : WindowContent {
  PreferencesWindowContent(AppModel& model, bool automaticUpdates) : model(model), automaticUpdates(automaticUpdates) {}

  AppModel& model;
  bool automaticUpdates;
};

// The excluded-apps window rebuilds its list from the model at every change.
struct ExcludeAppsWindowContent final : WindowContent {
  explicit ExcludeAppsWindowContent(AppModel& model) : model(model) {}

  AppModel& model;
};

}  // namespace marlinet
