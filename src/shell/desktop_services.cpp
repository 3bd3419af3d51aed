#include "shell/desktop_services.h"

#include <QDesktopServices>
#include <QUrl>
#include <iostream>
#include <utility>

namespace marlinet::shell {

struct DesktopServices::Plain final : PermissionChecks,
                                      Workspace,
                                      InstalledApplications,
                                      WindowHost,
                                      Dialogs,
                                      LoginItemService,
                                      AlertSound,
                                      BundleInfo {
  explicit Plain(std::function<void()> bell) : ring(std::move(bell)) {}

  // PermissionChecks: an X11 session lets any client watch the keyboard.
  bool isAccessibilityTrusted() const override { return true; }
  bool isInputMonitoringGranted() const override { return true; }
  bool requestAccessibility() override { return true; }
  bool requestInputMonitoring() override { return true; }

  void openURL(const std::string& url) override { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); }
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

  std::optional<std::filesystem::path> chooseFile(const OpenPanelRequest&) override { return std::nullopt; }
  void showAlert(const std::string& message, const std::string& information) override {
    std::cerr << "marlinet: " << message << ' ' << information << '\n';
  }

  bool isEnabled() const override { return false; }
  bool enable() override { return false; }
  bool disable() override { return true; }

  void beep() override { ring(); }

  std::optional<std::string> bundleIdentifier() const override { return std::string(folderName); }
  std::optional<PropertyList> infoValue(std::string_view) const override { return std::nullopt; }

  std::function<void()> ring;
  ChangePublisher becameActive;
  ChangePublisher otherActivated;
};

DesktopServices::DesktopServices(std::function<void()> beep)
    : plain_(std::make_unique<Plain>(std::move(beep))),
      updater_([]() -> std::unique_ptr<UpdaterController> { return nullptr; }) {}

DesktopServices::~DesktopServices() = default;

AppServices DesktopServices::services(ExpansionContext& context, EventPosting& poster, PasteboardAccess& pasteboard,
                                      Scheduler& scheduler, EventTapControl& tap) {
  return AppServices{
      .defaults = defaults_,
      .systemReplacements = systemReader_,
      .files = *files_,
      .makeImportedStore = [](const std::string& folder) { return std::make_unique<ImportedReplacementsStore>(folder); },
      .context = context,
      .poster = poster,
      .pasteboard = pasteboard,
      .scheduler = scheduler,
      .tap = tap,
      .permissionChecks = *plain_,
      .workspace = *plain_,
      .installedApplications = *plain_,
      .windowHost = *plain_,
      .dialogs = *plain_,
      .loginItem = *plain_,
      .alertSound = *plain_,
      .bundle = *plain_,
      .updater = updater_,
  };
}

void DesktopServices::otherApplicationActivated() { plain_->otherActivated.publish(); }

}  // namespace marlinet::shell
