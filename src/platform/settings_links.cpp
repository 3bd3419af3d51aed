#include "platform/settings_links.h"

#include <string_view>

namespace marlinet {
namespace {

std::string settingsLink(std::string_view pane, std::string_view anchor = {}) {
  std::string link = "x-apple.systempreferences:";
  link += pane;
  if (!anchor.empty()) {
    link += '?';
    link += anchor;
  }
  return link;
}

}  // namespace

const std::string& accessibilitySettingsURL() {
  static const std::string link = settingsLink("com.apple.preference.security", "Privacy_Accessibility");
  return link;
}

const std::string& inputMonitoringSettingsURL() {
  static const std::string link = settingsLink("com.apple.preference.security", "Privacy_ListenEvent");
  return link;
}

const std::string& keyboardSettingsURL() {
  static const std::string link = settingsLink("com.apple.Keyboard-Settings.extension");
  return link;
}

}  // namespace marlinet
