#include "support/app/app_harness.h"

#include <string>

namespace marlinet::testing {

AppServices AppHarness::services() {
  return AppServices{
      .defaults = defaults,
      .systemReplacements = ownList ? static_cast<SystemReplacementReading&>(*ownList) : loggingReader,
      .files = *files,
      .makeImportedStore =
          [this](const std::string&) { return std::make_unique<ImportedReplacementsStore>(importedFile(), files); },
      .context = context,
      .poster = poster,
      .pasteboard = pasteboard,
      .scheduler = time.scheduler(),
      .now = time.function(),
      .currentDate = [this] { return Date{dateSeconds}; },
      .tap = tap,
      .permissionChecks = permissions,
      .workspace = workspace,
      .installedApplications = installedApplications,
      .windowHost = windowHost,
      .dialogs = dialogs,
      .loginItem = loginItem,
      .alertSound = alertSound,
      .bundle = bundle,
      .updater = updater,
      .editableList = ownList ? std::optional(AppServices::EditableList{*ownList->fileURL(), files}) : std::nullopt,
  };
}

void AppHarness::chooseFileWith(const std::string& name, const std::string& bytes) {
  dialogs.chosenFile = writeBytes(folder / name, bytes);
}

}  // namespace marlinet::testing

namespace marlinet::testing {

void AppHarness::setSystemList(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::vector<PropertyList> records;
  for (const auto& [shortcut, phrase] : entries) {
    records.emplace_back(PropertyList::Dictionary{{"replace", PropertyList(shortcut)}, {"with", PropertyList(phrase)}});
  }
  systemReplacements.global = std::move(records);
}

void AppHarness::type(const std::string& characters) {
  static int captured = 0;
  for (const char character : characters) {
    const std::uint16_t keyCode = character == ' ' ? 49 : 0;
    (void)tap.deliver(KeyTapEvent{userKey(Phase::down, keyCode, std::string(1, character), ++captured), false});
  }
}

}  // namespace marlinet::testing
