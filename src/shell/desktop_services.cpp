#include "shell/desktop_services.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <utility>

#include "app/inert_services.h"
#include "app/localization.h"
#include "platform/settings_links.h"
#include "replacements/app_directories.h"
#include "updates/appcast_updater.h"

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

// The extensions stand for the permissions: a server has them or not, and
// nothing the user grants changes that during the session.
class ServerExtensions final : public PermissionChecks {
 public:
  explicit ServerExtensions(const SessionFacts& facts) : postsKeys_(facts.postsKeys), readsKeys_(facts.readsKeys) {}
  bool isAccessibilityTrusted() const override { return postsKeys_; }
  bool isInputMonitoringGranted() const override { return readsKeys_; }
  bool requestAccessibility() override { return postsKeys_; }
  bool requestInputMonitoring() override { return readsKeys_; }

 private:
  bool postsKeys_;
  bool readsKeys_;
};

void openURL(const std::string& url) {
  if (url == accessibilitySettingsURL() || url == inputMonitoringSettingsURL()) {
    QMessageBox box(QMessageBox::Information, QString::fromStdString(localized("Marlinet")),
                    QString::fromStdString(localized("This X server cannot give Marlinet the keyboard.")),
                    QMessageBox::Ok);
    box.setInformativeText(QString::fromStdString(
        localized("Marlinet needs the XTEST and XInput 2.2 extensions, which every Xorg server has. Remote and "
                  "nested servers (VNC, Xvfb started with -extension) may lack them. On a Wayland session, log "
                  "out and choose an X11 session (“GNOME on Xorg”, “Plasma (X11)”) at the login screen.")));
    box.exec();
    return;
  }
  QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

}  // namespace

DesktopServices::DesktopServices(std::function<void()> beep, SessionFacts facts)
    : plain_(std::make_unique<InertServices>(std::string(folderName))),
      program_(std::make_unique<ProgramInfo>()),
      permissions_(std::make_unique<ServerExtensions>(facts)),
      updater_([this]() -> std::unique_ptr<UpdaterController> {
        return updates::makeAppcastUpdater(defaults_, QCoreApplication::applicationFilePath());
      }),
      windows_(std::move(facts.notes)),
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
      .permissionChecks = *permissions_,
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
      .editableList = systemReader_.fileURL()
                          ? std::optional(AppServices::EditableList{*systemReader_.fileURL(), files_})
                          : std::nullopt,
  };
}

void DesktopServices::otherApplicationActivated() { plain_->otherActivated.publish(); }

}  // namespace marlinet::shell
