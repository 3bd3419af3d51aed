#pragma once

namespace marlinet {

// The two privacy permissions expansion needs, as the system reports them.
class PermissionChecks {
 public:
  virtual ~PermissionChecks() = default;
  // Whether the application may post keystrokes into other applications.
  virtual bool isAccessibilityTrusted() const = 0;
  // Whether the application may see the keys typed in other applications.
  virtual bool isInputMonitoringGranted() const = 0;
  // Asks the system to offer the permission to the user (it may show its own
  // prompt); answers whether it is granted now.
  virtual bool requestAccessibility() = 0;
  virtual bool requestInputMonitoring() = 0;
};

}  // namespace marlinet
