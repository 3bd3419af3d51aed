#pragma once

namespace marlinet {

// One sample of the two privacy permissions and of the key event tap.
struct PermissionStatus {
  bool accessibility = false;
  bool inputMonitoring = false;
  bool tapRunning = false;  // the tap exists and is enabled

  friend bool operator==(const PermissionStatus&, const PermissionStatus&) = default;
};

}  // namespace marlinet
