#pragma once

#include <string>

namespace marlinet {

// Links into the system's settings, opened by the permission requests and the
// settings window.
const std::string& accessibilitySettingsURL();
const std::string& inputMonitoringSettingsURL();
const std::string& keyboardSettingsURL();

}  // namespace marlinet
