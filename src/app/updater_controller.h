#pragma once

#include <functional>
#include <memory>

namespace marlinet {

// The update machinery. Creating a controller starts its own scheduled
// checking; everything about feeds, dialogs and installing is its business.
class UpdaterController {
 public:
  virtual ~UpdaterController() = default;
  // A user-initiated check with the updater's own progress and result
  // windows; returns at once.
  virtual void checkForUpdates() = 0;
  virtual bool automaticallyChecksForUpdates() const = 0;
  virtual void setAutomaticallyChecksForUpdates(bool on) = 0;
};

// Makes the controller; may answer null where no updater is available.
using UpdaterControllerFactory = std::function<std::unique_ptr<UpdaterController>()>;

}  // namespace marlinet
