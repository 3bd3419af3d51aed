#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "app/alert_sound.h"
#include "app/bundle_info.h"
#include "app/content/installed_applications.h"
#include "app/dialogs.h"
#include "app/direct_updater.h"
#include "app/event_tap_control.h"
#include "app/login_item_service.h"
#include "app/permission_checks.h"
#include "app/window_host.h"
#include "app/workspace.h"
#include "coordination/event_posting.h"
#include "coordination/expansion_context.h"
#include "coordination/expansion_coordinator.h"
#include "coordination/scheduler.h"
#include "platform/pasteboard_access.h"
#include "replacements/date.h"
#include "replacements/file_system.h"
#include "replacements/imported_replacements_store.h"
#include "replacements/preferences.h"
#include "replacements/system_replacements.h"
#include "replacements/user_defaults.h"

namespace marlinet {

// Everything the application model reaches the system through. The process
// entry makes each of these once; they must outlive the model.
struct AppServices {
  UserDefaults& defaults;
  SystemReplacementReading& systemReplacements;
  // Reads the files the user imports.
  const FileSystem& files;
  // The store of the imported list in the per-user folder of this name.
  std::function<std::unique_ptr<ImportedReplacementsStore>(const std::string& folderName)> makeImportedStore;

  ExpansionContext& context;
  EventPosting& poster;
  PasteboardAccess& pasteboard;
  // The main thread's run loop.
  Scheduler& scheduler;
  std::function<ExpansionCoordinator::TimePoint()> now = &ExpansionCoordinator::Clock::now;
  // The moment recorded for an import.
  std::function<Date()> currentDate = &Date::now;

  EventTapControl& tap;
  PermissionChecks& permissionChecks;
  Workspace& workspace;
  InstalledApplications& installedApplications;
  WindowHost& windowHost;
  Dialogs& dialogs;
  LoginItemService& loginItem;
  AlertSound& alertSound;
  BundleInfo& bundle;
  DirectUpdater& updater;

  // The applications excluded out of the box on this desktop.
  std::span<const ExcludedApp> builtInExclusions = Preferences::defaultExcludedApps;
  // Where permissions can be granted or withdrawn at any moment, they are
  // polled for the whole run; where they are fixed for the session (X11),
  // only while the onboarding window asks for them, so that nothing wakes
  // the idle process.
  bool permissionsChangeAnyTime = true;
  // Where no system settings keep the user's list (Linux), Marlinet edits
  // the list file itself, through this file system. None where the system does.
  struct EditableList {
    std::filesystem::path file;
    std::shared_ptr<FileSystem> files;
  };
  std::optional<EditableList> editableList = std::nullopt;
};

}  // namespace marlinet
