#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>

#include "app/window_host.h"
#include "replacements/file_system.h"

namespace marlinet {

class AppModel;

// The model as seen from a window or a menu, which the desktop may keep
// alive after the model is gone: then the handle is empty.
class ModelHandle {
 public:
  ModelHandle() = default;
  explicit ModelHandle(std::weak_ptr<AppModel*> model) : model_(std::move(model)) {}
  AppModel* get() const {
    const auto locked = model_.lock();
    return locked ? *locked : nullptr;
  }

 private:
  std::weak_ptr<AppModel*> model_;
};

// The onboarding window follows the permission watcher; the replacement count
// it confirms is the one when the window was made.
struct OnboardingWindowContent final : WindowContent {
  OnboardingWindowContent(ModelHandle model, std::int64_t replacementCount, std::function<void()> onDone)
      : model(std::move(model)), replacementCount(replacementCount), onDone(std::move(onDone)) {}

  ModelHandle model;
  const std::int64_t replacementCount;
  std::function<void()> onDone;  // closes the window
};

// The settings window redraws from the model; the automatic-update switch is
// the window's own state, starting from the updater's setting.
struct PreferencesWindowContent final : WindowContent {
  PreferencesWindowContent(ModelHandle model, bool automaticUpdates)
      : model(std::move(model)), automaticUpdates(automaticUpdates) {}

  ModelHandle model;
  bool automaticUpdates;
};

// The excluded-apps window rebuilds its list from the model at every change.
struct ExcludeAppsWindowContent final : WindowContent {
  explicit ExcludeAppsWindowContent(ModelHandle model) : model(std::move(model)) {}

  ModelHandle model;
};

// The editor of the user's own list works on the file itself and tells the
// model to reload after each change.
struct ReplacementsWindowContent final : WindowContent {
  ReplacementsWindowContent(ModelHandle model, std::filesystem::path file, std::shared_ptr<FileSystem> files)
      : model(std::move(model)), file(std::move(file)), files(std::move(files)) {}

  ModelHandle model;
  const std::filesystem::path file;
  const std::shared_ptr<FileSystem> files;
};

}  // namespace marlinet
