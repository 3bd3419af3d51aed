#pragma once

#include <functional>
#include <memory>

#include "app/change_publisher.h"
#include "app/content/permission_status.h"
#include "coordination/scheduler.h"
#include "app/permission_checks.h"
#include "app/workspace.h"

namespace marlinet {

// Neither permission announces its change, so this samples both, and whether
// the tap runs, once a second and publishes when anything changed.
class PermissionWatcher final {
 public:
  static constexpr double pollInterval = 1.0;

  // Samples the initial status at once; does not poll until `start`.
  PermissionWatcher(PermissionChecks& checks, Workspace& workspace, Scheduler& scheduler,
                    std::function<bool()> tapRunning);
  PermissionWatcher(const PermissionWatcher&) = delete;
  PermissionWatcher& operator=(const PermissionWatcher&) = delete;
  ~PermissionWatcher();

  // Refreshes at once and then polls; does nothing while polling already runs.
  void start();
  // Ends the polling; a later `start` begins it again.
  void stopPolling();

  // Samples accessibility, then Input Monitoring, hands both to
  // `beforeRefresh`, then samples the tap, so a tap the owner starts in
  // response is already reported. Publishes only when something changed.
  void refresh();

  const PermissionStatus& status() const { return status_; }
  ChangePublisher& changes() { return changes_; }

  // Offer the permission; when the system does not grant it at once, open
  // its pane of the system settings. The status follows at the next refresh.
  void requestAccessibility();
  void requestInputMonitoring();

  // Set by the owner to react to fresh permission facts.
  std::function<void(bool accessibility, bool inputMonitoring)> beforeRefresh = [](bool, bool) {};

 private:
  PermissionChecks& checks_;
  Workspace& workspace_;
  Scheduler& scheduler_;
  std::function<bool()> tapRunning_;
  PermissionStatus status_;
  ChangePublisher changes_;
  std::unique_ptr<RepeatingTimer> timer_;
  // The timer reaches the watcher only through this, so a firing after the
  // watcher is gone does nothing.
  std::shared_ptr<PermissionWatcher*> self_;
};

}  // namespace marlinet
