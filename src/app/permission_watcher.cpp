#include "app/permission_watcher.h"

#include <utility>

#include "platform/settings_links.h"

namespace marlinet {

PermissionWatcher::PermissionWatcher(PermissionChecks& checks, Workspace& workspace, Scheduler& scheduler,
                                     std::function<bool()> tapRunning)
    : checks_(checks),
      workspace_(workspace),
      scheduler_(scheduler),
      tapRunning_(tapRunning ? std::move(tapRunning) : [] { return false; }),
      self_(std::make_shared<PermissionWatcher*>(this)) {
  status_.accessibility = checks_.isAccessibilityTrusted();
  status_.inputMonitoring = checks_.isInputMonitoringGranted();
  status_.tapRunning = tapRunning_();
}

PermissionWatcher::~PermissionWatcher() {
  self_.reset();
  stopPolling();
}

void PermissionWatcher::start() {
  if (timer_) return;
  refresh();
  // The refresh may have led the owner to start polling already.
  if (timer_) return;
  timer_ = scheduler_.scheduleRepeating(pollInterval, [weak = std::weak_ptr<PermissionWatcher*>(self_)] {
    if (const auto self = weak.lock()) (*self)->refresh();
  });
}

void PermissionWatcher::stopPolling() {
  if (auto timer = std::move(timer_)) timer->invalidate();
}

void PermissionWatcher::refresh() {
  PermissionStatus sampled;
  sampled.accessibility = checks_.isAccessibilityTrusted();
  sampled.inputMonitoring = checks_.isInputMonitoringGranted();
  if (beforeRefresh) beforeRefresh(sampled.accessibility, sampled.inputMonitoring);
  sampled.tapRunning = tapRunning_();
  if (sampled == status_) return;
  status_ = sampled;
  changes_.publish();
}

void PermissionWatcher::requestAccessibility() {
  if (checks_.requestAccessibility()) return;
  workspace_.openURL(accessibilitySettingsURL());
}

void PermissionWatcher::requestInputMonitoring() {
  if (checks_.requestInputMonitoring()) return;
  workspace_.openURL(inputMonitoringSettingsURL());
}

}  // namespace marlinet
