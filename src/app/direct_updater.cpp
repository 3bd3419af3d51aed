#include "app/direct_updater.h"

namespace marlinet {

void DirectUpdater::start() {
  if (controller_ || !makeController_) return;
  controller_ = makeController_();
}

void DirectUpdater::checkForUpdates() {
  start();
  if (controller_) controller_->checkForUpdates();
}

bool DirectUpdater::automaticallyChecksForUpdates() const {
  return controller_ ? controller_->automaticallyChecksForUpdates() : true;
}

void DirectUpdater::setAutomaticallyChecksForUpdates(bool on) {
  if (controller_) controller_->setAutomaticallyChecksForUpdates(on);
}

}  // namespace marlinet
