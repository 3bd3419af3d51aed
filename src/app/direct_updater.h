#pragma once

#include <memory>
#include <utility>

#include "app/updater_controller.h"

namespace marlinet {

// Holds the process's one updater controller, made when first needed and
// kept for the rest of the run. The process makes one DirectUpdater.
class DirectUpdater final {
 public:
  explicit DirectUpdater(UpdaterControllerFactory makeController) : makeController_(std::move(makeController)) {}
  DirectUpdater(const DirectUpdater&) = delete;
  DirectUpdater& operator=(const DirectUpdater&) = delete;

  // Makes the controller, which starts its scheduled checking; nothing when
  // it exists already.
  void start();
  // A user-initiated check, making the controller first if needed.
  void checkForUpdates();
  // True until a controller exists, since the updater checks by default.
  bool automaticallyChecksForUpdates() const;
  // Does nothing while no controller exists.
  void setAutomaticallyChecksForUpdates(bool on);


 private:
  UpdaterControllerFactory makeController_;
  std::unique_ptr<UpdaterController> controller_;
};

}  // namespace marlinet
