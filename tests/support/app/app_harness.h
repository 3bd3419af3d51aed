#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/app_model.h"
#include "app/app_services.h"
#include "app/direct_updater.h"
#include "replacements/system_replacement_reader.h"
#include "support/app/call_log.h"
#include "support/app/fake_bundle_info.h"
#include "support/app/fake_event_tap.h"
#include "support/content/fake_installed_applications.h"
#include "support/app/fake_login_item_service.h"
#include "support/app/fake_permission_checks.h"
#include "support/app/fake_updater_controller.h"
#include "support/app/fake_window_host.h"
#include "support/app/fake_workspace.h"
#include "support/app/scripted_dialogs.h"
#include "support/replacements/fake_system_replacement_reading.h"
#include "support/replacements/faulty_file_system.h"
#include "support/replacements/in_memory_user_defaults.h"
#include "support/temporary_folder.h"
#include "test_doubles.h"

namespace marlinet::testing {

// The fake system list, noting each read in the call log.
class LoggingSystemReplacements final : public SystemReplacementReading {
 public:
  LoggingSystemReplacements(const SystemReplacementReading& inner, CallLog& log) : inner_(inner), log_(log) {}
  std::optional<std::vector<PropertyList>> globalReplacementItems() const override {
    log_.add("system.read");
    return inner_.globalReplacementItems();
  }
  std::map<std::string, std::string> spellCheckerReplacements() const override {
    return inner_.spellCheckerReplacements();
  }
  std::optional<std::string> revision() const override { return inner_.revision(); }

 private:
  const SystemReplacementReading& inner_;
  CallLog& log_;
};

// Every service the application model needs, as fakes the test controls,
// with one call log shared by those whose order matters.
struct AppHarness {
  // The services, with the imported list stored in `folder`.
  AppServices services();
  std::unique_ptr<AppModel> makeModel() { return std::make_unique<AppModel>(services()); }

  // Replaces the system's list with records of these shortcuts and phrases.
  void setSystemList(const std::vector<std::pair<std::string, std::string>>& entries);
  // Types each character as a key-down of the user through the tap.
  void type(const std::string& characters);

  // Writes `bytes` to a file in the folder and makes the open panel choose it.
  void chooseFileWith(const std::string& name, const std::string& bytes);
  std::filesystem::path importedFile() const { return folder.path() / "store" / "imported-replacements.json"; }

  // Reads the system list from this file, which Marlinet then edits itself,
  // instead of the fake list; set before making the model.
  void useOwnList() {
    ownList = std::make_unique<SystemReplacementReader>(folder / "config" / "text-replacements.plist", files);
  }

  CallLog log;
  TemporaryFolder folder;
  InMemoryUserDefaults defaults;
  FakeSystemReplacementReading systemReplacements;
  LoggingSystemReplacements loggingReader{systemReplacements, log};
  std::shared_ptr<FaultyFileSystem> files = std::make_shared<FaultyFileSystem>();
  std::unique_ptr<SystemReplacementReader> ownList;

  // The main thread's run loop: work runs only when the test lets time pass.
  ManualTime time;
  SettableExpansionContext context;
  RecordingEventPosting poster;
  simulation::SimulatedPasteboard pasteboard;
  double dateSeconds = 700000000.0;  // what the model's date source answers

  FakeEventTap tap{&log};
  FakePermissionChecks permissions{&log};
  FakeWorkspace workspace;
  FakeInstalledApplications installedApplications;
  FakeWindowHost windowHost;
  ScriptedDialogs dialogs;
  FakeLoginItemService loginItem;
  CountingAlertSound alertSound;
  FakeBundleInfo bundle;
  UpdaterRecord updaterRecord;
  DirectUpdater updater{fakeUpdaterFactory(updaterRecord)};
};

}  // namespace marlinet::testing
