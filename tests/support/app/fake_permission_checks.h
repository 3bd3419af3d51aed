#pragma once

#include "app/permission_checks.h"
#include "support/app/call_log.h"

namespace marlinet::testing {

// Permissions the test grants and revokes. A request answers whatever
// `requestGrants` says and, when true, grants the permission.
class FakePermissionChecks final : public PermissionChecks {
 public:
  explicit FakePermissionChecks(CallLog* log = nullptr) : log_(log) {}

  bool isAccessibilityTrusted() const override {
    note("accessibility?");
    return accessibility;
  }
  bool isInputMonitoringGranted() const override {
    note("inputMonitoring?");
    return inputMonitoring;
  }
  bool requestAccessibility() override { return accessibility = accessibility || requestGrants; }
  bool requestInputMonitoring() override { return inputMonitoring = inputMonitoring || requestGrants; }

  bool accessibility = false;
  bool inputMonitoring = false;
  bool requestGrants = false;

 private:
  void note(const char* entry) const {
    if (log_) log_->add(entry);
  }
  CallLog* log_;
};

}  // namespace marlinet::testing
