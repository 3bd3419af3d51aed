#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "app/alert_sound.h"
#include "app/bundle_info.h"
#include "app/change_publisher.h"
#include "app/content/installed_applications.h"
#include "app/dialogs.h"
#include "app/login_item_service.h"
#include "app/permission_checks.h"
#include "app/window_host.h"
#include "app/workspace.h"

namespace marlinet {

// The desktop services of a run that draws no window: every permission is
// granted, no application is listed, windows are made and never shown, the
// file chooser answers `nextChoice`, nothing opens at login. What does reach
// the user (a link, an alert, the bell) goes to the hooks.
struct InertServices final : PermissionChecks,
                             Workspace,
                             InstalledApplications,
                             WindowHost,
                             Dialogs,
                             LoginItemService,
                             AlertSound,
                             BundleInfo {
  explicit InertServices(std::string identifier) : bundleID(std::move(identifier)) {}

  bool isAccessibilityTrusted() const override { return true; }
  bool isInputMonitoringGranted() const override { return true; }
  bool requestAccessibility() override { return true; }
  bool requestInputMonitoring() override { return true; }

  void openURL(const std::string& url) override { onOpenURL(url); }
  Subscription observeApplicationBecameActive(std::function<void()> observer) override {
    return becameActive.subscribe(std::move(observer));
  }
  Subscription observeOtherApplicationActivated(std::function<void()> observer) override {
    return otherActivated.subscribe(std::move(observer));
  }

  std::optional<std::filesystem::path> applicationLocation(const std::string&) const override { return std::nullopt; }
  std::vector<RunningApplication> runningApplications() const override { return {}; }
  std::shared_ptr<const AppIcon> iconForFile(const std::filesystem::path&) const override { return nullptr; }

  void activateApplication() override {}
  void createWindow(const std::string&, const std::string&, std::shared_ptr<WindowContent>) override {}
  void bringToFront(const std::string&) override {}
  void close(const std::string&) override {}

  std::optional<std::filesystem::path> chooseFile(const OpenPanelRequest&) override {
    return std::exchange(nextChoice, std::nullopt);
  }
  void showAlert(const std::string& message, const std::string& information) override {
    lastAlert = message;
    onAlert(message, information);
  }

  bool isEnabled() const override { return false; }
  bool enable() override { return false; }
  bool disable() override { return true; }

  void beep() override { onBeep(); }

  std::optional<std::string> bundleIdentifier() const override { return bundleID; }
  std::optional<PropertyList> infoValue(std::string_view) const override { return std::nullopt; }

  std::string bundleID;
  std::function<void(const std::string&)> onOpenURL = [](const std::string&) {};
  std::function<void(const std::string&, const std::string&)> onAlert = [](const std::string&, const std::string&) {};
  std::function<void()> onBeep = [] {};
  ChangePublisher becameActive;
  ChangePublisher otherActivated;
  std::optional<std::filesystem::path> nextChoice;
  std::optional<std::string> lastAlert;
};

}  // namespace marlinet
