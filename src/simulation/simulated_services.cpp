#include "simulation/simulated_services.h"

#include <utility>

namespace marlinet::simulation {

struct SimulatedServices::Inert final : PermissionChecks,
                                        Workspace,
                                        InstalledApplications,
                                        WindowHost,
                                        Dialogs,
                                        LoginItemService,
                                        AlertSound,
                                        BundleInfo {
  // PermissionChecks: a simulated desktop has granted everything.
  bool isAccessibilityTrusted() const override { return true; }
  bool isInputMonitoringGranted() const override { return true; }
  bool requestAccessibility() override { return true; }
  bool requestInputMonitoring() override { return true; }

  // Workspace
  void openURL(const std::string&) override {}
  Subscription observeApplicationBecameActive(std::function<void()> observer) override {
    return becameActive.subscribe(std::move(observer));
  }
  Subscription observeOtherApplicationActivated(std::function<void()> observer) override {
    return otherActivated.subscribe(std::move(observer));
  }

  // InstalledApplications: none.
  std::optional<std::filesystem::path> applicationLocation(const std::string&) const override { return std::nullopt; }
  std::vector<RunningApplication> runningApplications() const override { return {}; }
  std::shared_ptr<const AppIcon> iconForFile(const std::filesystem::path&) const override { return nullptr; }

  // WindowHost: windows are made and never drawn.
  void activateApplication() override {}
  void createWindow(const std::string&, const std::string&, std::shared_ptr<WindowContent>) override {}
  void bringToFront(const std::string&) override {}
  void close(const std::string&) override {}

  // Dialogs
  std::optional<std::filesystem::path> chooseFile(const OpenPanelRequest&) override {
    return std::exchange(nextChoice, std::nullopt);
  }
  void showAlert(const std::string& message, const std::string&) override { lastAlert = message; }

  // LoginItemService: a simulated run never opens at login.
  bool isEnabled() const override { return false; }
  bool enable() override { return false; }
  bool disable() override { return true; }

  void beep() override {}

  // BundleInfo: the simulated desktop's own identifier; no version values.
  std::optional<std::string> bundleIdentifier() const override { return "tarnwick-engineering.Marlinet.simulated"; }
  std::optional<PropertyList> infoValue(std::string_view) const override { return std::nullopt; }

  ChangePublisher becameActive;
  ChangePublisher otherActivated;
  std::optional<std::filesystem::path> nextChoice;
  std::optional<std::string> lastAlert;
};

SimulatedServices::SimulatedServices(const std::optional<std::filesystem::path>& systemList)
    : inert_(std::make_unique<Inert>()),
      systemReader_(systemList, files_),
      updater_([]() -> std::unique_ptr<UpdaterController> { return nullptr; }) {}

SimulatedServices::~SimulatedServices() = default;

AppServices SimulatedServices::services(ExpansionContext& context, EventPosting& poster, PasteboardAccess& pasteboard,
                                        Scheduler& scheduler, std::function<ExpansionCoordinator::TimePoint()> now,
                                        EventTapControl& tap) {
  return AppServices{
      .defaults = defaults_,
      .systemReplacements = systemReader_,
      .files = *files_,
      // Nothing a simulated run imports is kept.
      .makeImportedStore =
          [](const std::string&) { return std::make_unique<ImportedReplacementsStore>(std::nullopt, nullptr); },
      .context = context,
      .poster = poster,
      .pasteboard = pasteboard,
      .scheduler = scheduler,
      .now = std::move(now),
      .currentDate = [] { return Date{0}; },
      .tap = tap,
      .permissionChecks = *inert_,
      .workspace = *inert_,
      .installedApplications = *inert_,
      .windowHost = *inert_,
      .dialogs = *inert_,
      .loginItem = *inert_,
      .alertSound = *inert_,
      .bundle = *inert_,
      .updater = updater_,
  };
}

void SimulatedServices::chooseNext(std::filesystem::path file) { inert_->nextChoice = std::move(file); }

const std::optional<std::string>& SimulatedServices::lastAlert() const { return inert_->lastAlert; }

void SimulatedServices::otherApplicationActivated() { inert_->otherActivated.publish(); }

}  // namespace marlinet::simulation
