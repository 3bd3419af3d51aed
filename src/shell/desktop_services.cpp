#include "shell/desktop_services.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <utility>

#include "app/inert_services.h"
#include "platform/settings_links.h"
#include "replacements/app_directories.h"

namespace marlinet::shell {
namespace {

// The program's identifier, and its version as it was built.
class ProgramInfo final : public BundleInfo {
 public:
  std::optional<std::string> bundleIdentifier() const override { return std::string(DesktopServices::folderName); }
  std::optional<PropertyList> infoValue(std::string_view key) const override {
    if (key == shortVersionKey) return PropertyList(std::string(MARLINET_VERSION));
    if (key == buildVersionKey) return PropertyList(std::string(MARLINET_BUILD));
    return std::nullopt;
  }
};

void openURL(const std::string& url) {
  if (url == keyboardSettingsURL()) {
    // The user's own list lives in the configuration folder; made on demand so there is something to open.
    if (const auto folder = userConfigDirectory()) {
      const std::filesystem::path listFolder = *folder / std::string(DesktopServices::folderName);
      std::error_code ignored;
      std::filesystem::create_directories(listFolder, ignored);
      QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(listFolder.string())));
    }
    return;
  }
  QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

}  // namespace

DesktopServices::DesktopServices(std::function<void()> beep, std::vector<std::string> sessionNotes)
    : plain_(std::make_unique<InertServices>(std::string(folderName))),
      program_(std::make_unique<ProgramInfo>()),
      updater_([]() -> std::unique_ptr<UpdaterController> { return nullptr; }),
      windows_(std::move(sessionNotes)),
      autostart_(XdgAutostart::defaultDirectory(), QCoreApplication::applicationFilePath()) {
  plain_->onOpenURL = &openURL;
  plain_->onBeep = std::move(beep);
}

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
      .installedApplications = applications_,
      .windowHost = windows_,
      .dialogs = dialogs_,
      .loginItem = autostart_,
      .alertSound = *plain_,
      .bundle = *program_,
      .updater = updater_,
      .builtInExclusions = Preferences::linuxExcludedApps,
      .permissionsChangeAnyTime = false,
  };
}

void DesktopServices::otherApplicationActivated() { plain_->otherActivated.publish(); }

}  // namespace marlinet::shell
