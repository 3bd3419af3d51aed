#include "app/app_model.h"

#include <utility>
#include <variant>

#include "app/failure_log.h"
#include "app/localization.h"
#include "app/content/window_descriptions.h"
#include "engine/replacement_index.h"
#include "platform/settings_links.h"
#include "replacements/app_directories.h"
#include "replacements/import_reader.h"
#include "replacements/replacement_parser.h"

namespace marlinet {

namespace {

TapVerdict passEvery(const TapEvent&) { return TapVerdict::pass; }

std::unique_ptr<ImportedReplacementsStore> makeStore(const AppServices& services, const std::string& folderName) {
  if (services.makeImportedStore) {
    if (auto store = services.makeImportedStore(folderName)) return store;
  }
  return std::make_unique<ImportedReplacementsStore>(folderName);
}

}  // namespace

AppModel::AppModel(const AppServices& services)
    : tap_(services.tap),
      reader_(services.systemReplacements),
      files_(services.files),
      permissionChecks_(services.permissionChecks),
      workspace_(services.workspace),
      installedApplications_(services.installedApplications),
      dialogs_(services.dialogs),
      loginItem_(services.loginItem),
      alertSound_(services.alertSound),
      bundle_(services.bundle),
      scheduler_(services.scheduler),
      updater_(services.updater),
      windowHost_(services.windowHost),
      currentDate_(services.currentDate ? services.currentDate : &Date::now),
      ownBundleID_(services.bundle.bundleIdentifier()),
      pollsPermissions_(services.permissionsChangeAnyTime),
      editableList_(services.editableList),
      self_(std::make_shared<AppModel*>(this)),
      preferences_(services.defaults, services.builtInExclusions),
      importedStore_(makeStore(services, applicationFolderName(ownBundleID_))),
      windows_(services.windowHost),
      clipboard_(services.pasteboard),
      coordinator_(services.context, services.poster, clipboard_, services.scheduler,
                   services.now ? services.now : &ExpansionCoordinator::Clock::now),
      permissions_(services.permissionChecks, services.workspace, services.scheduler,
                   [&tap = services.tap] { return tap.isRunning(); }) {
  // Until the coordinator is wired, the tap lets everything through.
  tap_.setHandler(&passEvery);

  const std::weak_ptr<AppModel*> weak = self_;
  coordinator_.ownBundleID = ownBundleID_;
  coordinator_.isAllowed = [weak] {
    const auto self = weak.lock();
    return self && (*self)->isEnabled();
  };
  refreshExcludedCache();
  coordinator_.excludedBundleIDs = [weak]() -> std::shared_ptr<const BundleIDSet> {
    const auto self = weak.lock();
    if (!self) return std::make_shared<const BundleIDSet>();
    return (*self)->excludedCache_;
  };
  tap_.setHandler([weak](const TapEvent& event) {
    const auto self = weak.lock();
    return self ? (*self)->coordinator_.handle(event) : TapVerdict::pass;
  });
  permissions_.beforeRefresh = [weak](bool, bool) {
    if (const auto self = weak.lock()) (*self)->updateTap();
  };

  cancellables_.push_back(permissions_.changes().subscribe([weak] {
    if (const auto self = weak.lock()) (*self)->publish();
  }));
}

AppModel::~AppModel() {
  // Windows the desktop keeps alive see an empty handle from here on.
  self_.reset();
  windows_.closeAll();
  // The tap outlives the model; it must not call into a coordinator that is gone.
  tap_.stop();
  tap_.setHandler(&passEvery);
  permissions_.stopPolling();
}

void AppModel::start() {
  if (started_) return;
  started_ = true;

  runGuarded("loading the imported list", [this] {
    if (auto stored = importedStore_->load()) {
      library_.imported = std::move(stored->first);
      importedAt_ = stored->second;
    }
  });
  // The first read of the system list builds the index from both lists;
  // when that read fails, the imported list is still put to use.
  const std::uint64_t before = systemGeneration_;
  reload();
  if (systemGeneration_ == before) rebuildIndex();
  updater_.start();
  updateTap();
  if (pollsPermissions_) {
    permissions_.start();
  } else {
    permissions_.refresh();
  }
  if (isEnabled() && !(permissionChecks_.isAccessibilityTrusted() && tap_.isRunning())) showOnboarding();
  postToSelf(&AppModel::updateTap);

  // Registered once, even when the model is started again after a stop.
  if (observers_.empty()) {
    const std::weak_ptr<AppModel*> weak = self_;
    observers_.push_back(workspace_.observeApplicationBecameActive([weak] {
      if (const auto self = weak.lock()) (*self)->postToSelf(&AppModel::updateTap);
    }));
    // Characters typed in one application must never complete a shortcut in another.
    observers_.push_back(workspace_.observeOtherApplicationActivated([weak] {
      if (const auto self = weak.lock()) (*self)->coordinator_.engine().clearBuffer();
    }));
  }
}

void AppModel::stop() {
  tap_.stop();
  permissions_.stopPolling();
  started_ = false;
}

void AppModel::updateTap() {
  if (isEnabled() && permissionChecks_.isAccessibilityTrusted()) {
    if (!tap_.isRunning()) {
      tap_.stop();
      // A failure shows as a tap that is not running at the next permission refresh.
      (void)tap_.start();
    }
    return;
  }
  tap_.stop();
  coordinator_.engine().clearBuffer();
}

void AppModel::reload() {
  // A list that cannot be read now leaves the one in use as it was.
  runGuarded("reloading the replacement lists", [this] {
    const auto& [system, source] = systemList_.read(reader_);
    if (systemList_.generation() == systemGeneration_) return;
    library_.system = system;
    systemSource_ = source;
    systemGeneration_ = systemList_.generation();
    rebuildIndex();
  });
  publish();
}

void AppModel::rebuildIndex() {
  std::vector<Replacement> merged = library_.merged();
  summary_ = makeSummary(library_, systemSource_, importedAt_);
  coordinator_.engine().setIndex(ReplacementIndex(std::move(merged)));
}

bool AppModel::isEnabled() const { return preferences_.expansionEnabled(); }

void AppModel::setEnabled(bool on) {
  preferences_.setExpansionEnabled(on);
  updateTap();
  publish();
  if (on && !permissionChecks_.isAccessibilityTrusted()) showOnboarding();
}

PermissionStatus AppModel::currentPermissions() const {
  return PermissionStatus{permissionChecks_.isAccessibilityTrusted(), permissionChecks_.isInputMonitoringGranted(),
                          tap_.isRunning()};
}

ExpansionStatus AppModel::status() const {
  if (!isEnabled()) return ExpansionStatus::off;
  if (!permissionChecks_.isAccessibilityTrusted() || !tap_.isRunning()) return ExpansionStatus::needsAccessibility;
  if (summary_.count == 0) return ExpansionStatus::noReplacements;
  return ExpansionStatus::expanding;
}

void AppModel::importReplacements() {
  windowHost_.activateApplication();
  OpenPanelRequest request;
  request.title = localized(importPanelTitle);
  request.message = localized(importPanelMessage);
  request.allowedExtensions = {"plist", "yml", "yaml"};
  request.allowsMultipleSelection = false;
  importChosen(request);
}

void AppModel::importFolder() {
  windowHost_.activateApplication();
  OpenPanelRequest request;
  request.title = localized("Import AutoKey Folder");
  request.choosesFolders = true;
  importChosen(request);
}

void AppModel::importChosen(const OpenPanelRequest& request) {
  const auto chosen = dialogs_.chooseFile(request);
  if (!chosen) return;

  // The format follows the choice: a folder of AutoKey phrases, an espanso
  // match file, or a property list. Entries that need what Marlinet lacks are
  // left out whole.
  ForeignListResult parsed(ReplacementParseError::unreadable);
  runGuarded("reading the chosen list", [&] { parsed = readImport(*chosen, files_).result; });
  auto* foreign = std::get_if<ForeignList>(&parsed);
  ParsedReplacements* list = foreign ? &foreign->parsed : nullptr;
  if (!list) {
    dialogs_.showAlert(localized(notAListMessage), localized(notAListInformation));
    return;
  }
  if (list->replacements.empty()) {
    dialogs_.showAlert(localized(nothingUsableMessage), localized(nothingUsableInformation));
    return;
  }

  const Date importedAt = currentDate_();
  // A failed save is not reported: the list is still used for this run.
  runGuarded("saving the imported list", [&] { (void)importedStore_->save(*list, importedAt); });
  library_.imported = std::move(*list);
  importedAt_ = importedAt;
  rebuildIndex();
  reload();
  if (foreign->skippedUnsupported > 0) {
    dialogs_.showAlert(localized(leftOutMessage, foreign->skippedUnsupported), localized(leftOutInformation));
  }
}

void AppModel::removeImported() {
  runGuarded("removing the imported list", [this] { importedStore_->remove(); });
  library_.imported = ParsedReplacements{};
  importedAt_.reset();
  rebuildIndex();
  reload();
}

void AppModel::setExcluded(const std::string& bundleID, bool excluded) {
  auto bundleIDs = preferences_.excludedBundleIDs();
  if (excluded) {
    bundleIDs.insert(bundleID);
  } else {
    bundleIDs.erase(bundleID);
  }
  setExcludedBundleIDs(bundleIDs);
}

void AppModel::setExcludedBundleIDs(const std::set<std::string>& bundleIDs) {
  preferences_.setExcludedBundleIDs(bundleIDs);
  refreshExcludedCache();
  coordinator_.engine().clearBuffer();
  publish();
}

void AppModel::restoreDefaultExclusions() {
  preferences_.resetExcludedBundleIDs();
  refreshExcludedCache();
  coordinator_.engine().clearBuffer();
  publish();
}

bool AppModel::opensAtLogin() const { return loginItem_.isEnabled(); }

void AppModel::setOpensAtLogin(bool on) {
  const bool changed = on ? loginItem_.enable() : loginItem_.disable();
  if (!changed) alertSound_.beep();
  publish();
}

void AppModel::showOnboarding() {
  windows_.show(std::string(onboardingWindow.id), localized(onboardingWindow.englishTitle), [this] {
    return std::make_shared<OnboardingWindowContent>(handle(), summary_.count, [model = handle()] {
      if (AppModel* self = model.get()) self->windows_.close(std::string(onboardingWindow.id));
    });
  });
}

void AppModel::showPreferences() {
  reload();
  windows_.show(std::string(preferencesWindow.id), localized(preferencesWindow.englishTitle), [this] {
    return std::make_shared<PreferencesWindowContent>(handle(), updater_.automaticallyChecksForUpdates());
  });
}

void AppModel::showExcludeApps() {
  windows_.show(std::string(excludeAppsWindow.id), localized(excludeAppsWindow.englishTitle),
                [this] { return std::make_shared<ExcludeAppsWindowContent>(handle()); });
}

void AppModel::showReplacements() {
  if (!editableList_) return;
  windows_.show(std::string(replacementsWindow.id), localized(replacementsWindow.englishTitle), [this] {
    return std::make_shared<ReplacementsWindowContent>(handle(), editableList_->file, editableList_->files);
  });
}

void AppModel::openKeyboardSettings() { workspace_.openURL(keyboardSettingsURL()); }

void AppModel::refreshExcludedCache() {
  const auto stored = preferences_.excludedBundleIDs();
  excludedCache_ = std::make_shared<const BundleIDSet>(stored.begin(), stored.end());
}

void AppModel::postToSelf(void (AppModel::*work)()) {
  scheduler_.schedule(0, [weak = std::weak_ptr<AppModel*>(self_), work] {
    if (const auto self = weak.lock()) ((*self)->*work)();
  });
}

}  // namespace marlinet
