#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_services.h"
#include "app/change_publisher.h"
#include "app/content/expansion_status.h"
#include "app/permission_watcher.h"
#include "app/window_contents.h"
#include "app/window_presenter.h"
#include "coordination/expansion_coordinator.h"
#include "coordination/expansion_gate.h"
#include "platform/clipboard_keeper.h"
#include "replacements/date.h"
#include "replacements/imported_replacements_store.h"
#include "replacements/preferences.h"
#include "replacements/replacement_library.h"

namespace marlinet {

// The application's spine: owns every long-lived service, wires them
// together, keeps the tap and the engine's index in step with the settings,
// the permissions and the replacement lists, and carries out the user's
// commands. Every change the user interface shows ends with one change
// notification. Main thread only.
class AppModel final {
 public:
  static constexpr std::string_view importPanelTitle = "Import Text Replacements";
  static constexpr std::string_view importPanelMessage =
      "Choose the “Text Substitutions.plist” file you dragged out of System Settings › Keyboard › Text "
      "Replacements.";
  static constexpr std::string_view notAListMessage = "This file is not a text replacement list.";
  static constexpr std::string_view notAListInformation =
      "In System Settings › Keyboard › Text Replacements, select the replacements, drag them to the Desktop, and "
      "import the file that appears.";
  static constexpr std::string_view nothingUsableMessage = "No replacements Marlinet can use were found in this file.";
  static constexpr std::string_view nothingUsableInformation =
      "Marlinet expands shortcuts made of English letters, digits and punctuation.";
  static constexpr std::string_view leftOutMessage = "%lld entries were not imported.";
  static constexpr std::string_view leftOutInformation =
      "Marlinet types plain text: entries that run scripts, fill in variables or forms, or match patterns are left "
      "out.";

  // Builds every service and wires them; nothing runs until `start`.
  explicit AppModel(const AppServices& services);
  AppModel(const AppModel&) = delete;
  AppModel& operator=(const AppModel&) = delete;
  ~AppModel();

  // Loads the lists, starts the updater, the tap and (where permissions
  // change at any time) the permission polling,
  // opens the onboarding window when expansion cannot work yet, and follows
  // the activation of applications. A second call while started does nothing.
  void start();
  // Stops the tap and the permission polling. Harmless at any time.
  void stop();
  // Gives back now the clipboard content a paste still owes the user (on
  // quitting), unless they copied something since.
  void handBackClipboard() { clipboard_.restore(clipboard_.generation()); }

  // The tap runs exactly when expansion is enabled and Accessibility granted.
  void updateTap();
  // Re-reads the system list when its file changed, and rebuilds the index
  // and the counts only when a list changed; otherwise this costs one file
  // status check. Publishes in every case.
  void reload();

  bool isEnabled() const;
  void setEnabled(bool on);
  ExpansionStatus status() const;
  const ReplacementSummary& summary() const { return summary_; }

  // User commands.
  void importReplacements();
  // A folder of AutoKey phrases.
  void importFolder();
  void removeImported();
  void setExcluded(const std::string& bundleID, bool excluded);
  void setExcludedBundleIDs(const std::set<std::string>& bundleIDs);
  void restoreDefaultExclusions();
  bool opensAtLogin() const;
  // Beeps when the system refuses; publishes in every case, so that a view
  // re-reads the real state.
  void setOpensAtLogin(bool on);

  // Windows.
  void showOnboarding();
  // Reloads first, so that the settings show the current counts.
  void showPreferences();
  void showExcludeApps();
  // The editor of the user's own list, where Marlinet keeps it (see
  // `editsOwnList`); does nothing elsewhere.
  void showReplacements();
  bool editsOwnList() const { return editableList_.has_value(); }
  void openKeyboardSettings();
  void checkForUpdates() { updater_.checkForUpdates(); }

  // Observers hear one call after each change the user interface shows,
  // permission changes included.
  [[nodiscard]] Subscription subscribe(std::function<void()> observer) { return changes_.subscribe(std::move(observer)); }

  Preferences& preferences() { return preferences_; }
  const Preferences& preferences() const { return preferences_; }
  PermissionWatcher& permissions() { return permissions_; }
  const PermissionWatcher& permissions() const { return permissions_; }
  const ReplacementLibrary& library() const { return library_; }
  // What windows and menus hold instead of a reference: empty once the model is gone.
  ModelHandle handle() const { return ModelHandle(self_); }
  const std::optional<Date>& importedAt() const { return importedAt_; }
  ExpansionCoordinator& coordinator() { return coordinator_; }
  WindowPresenter& windows() { return windows_; }
  DirectUpdater& updater() { return updater_; }
  const BundleInfo& bundleInfo() const { return bundle_; }
  InstalledApplications& installedApplications() { return installedApplications_; }
  // The application's own identifier, which it never expands in.
  const std::optional<std::string>& ownBundleID() const { return ownBundleID_; }
  // The excluded identifiers as stored; empty when the stored value is not a
  // list of texts.
  std::set<std::string> excludedBundleIDs() const { return preferences_.excludedBundleIDs(); }
  // The three permission facts asked of the system now, without publishing;
  // the settings window shows these rather than the last polled value.
  PermissionStatus currentPermissions() const;

 private:
  void publish() { changes_.publish(); }
  void importChosen(const OpenPanelRequest& request);
  void refreshExcludedCache();
  // Merges the lists into the engine's index and the counts.
  void rebuildIndex();
  // Runs `work` later as a main-thread task of its own, unless the model is
  // gone by then.
  void postToSelf(void (AppModel::*work)());

  // Services the process made; the model only uses them.
  EventTapControl& tap_;
  SystemReplacementReading& reader_;
  const FileSystem& files_;
  PermissionChecks& permissionChecks_;
  Workspace& workspace_;
  InstalledApplications& installedApplications_;
  Dialogs& dialogs_;
  LoginItemService& loginItem_;
  AlertSound& alertSound_;
  BundleInfo& bundle_;
  Scheduler& scheduler_;
  DirectUpdater& updater_;
  WindowHost& windowHost_;
  std::function<Date()> currentDate_;
  std::optional<std::string> ownBundleID_;
  bool pollsPermissions_;
  std::optional<AppServices::EditableList> editableList_;

  // Callbacks handed to the services reach the model only through this.
  std::shared_ptr<AppModel*> self_;

  Preferences preferences_;
  ReplacementLibrary library_;
  SystemListSource systemSource_ = SystemListSource::none;
  SystemListCache systemList_;
  std::uint64_t systemGeneration_ = 0;  // of the system list in the library
  ReplacementSummary summary_;
  std::optional<Date> importedAt_;
  std::unique_ptr<ImportedReplacementsStore> importedStore_;
  WindowPresenter windows_;
  ChangePublisher changes_;
  ClipboardKeeper clipboard_;
  ExpansionCoordinator coordinator_;
  PermissionWatcher permissions_;
  // Read by the coordinator at every key-down; rebuilt whenever the model
  // changes the stored set.
  std::shared_ptr<const BundleIDSet> excludedCache_;
  bool started_ = false;

  std::vector<Subscription> cancellables_;
  std::vector<Subscription> observers_;
};

}  // namespace marlinet
