#include "shell/desktop_services.h"

#include <QDesktopServices>
#include <QUrl>
#include <iostream>
#include <utility>

#include "app/inert_services.h"

namespace marlinet::shell {

DesktopServices::DesktopServices(std::function<void()> beep)
    : plain_(std::make_unique<InertServices>(std::string(folderName))),
      updater_([]() -> std::unique_ptr<UpdaterController> { return nullptr; }) {
  plain_->onOpenURL = [](const std::string& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); };
  plain_->onAlert = [](const std::string& message, const std::string& information) {
    std::cerr << "marlinet: " << message << ' ' << information << '\n';
  };
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
