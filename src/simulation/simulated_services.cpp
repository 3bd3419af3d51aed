#include "simulation/simulated_services.h"

#include <utility>

namespace marlinet::simulation {

SimulatedServices::SimulatedServices(const std::optional<std::filesystem::path>& systemList)
    : inert_(std::make_unique<InertServices>("tarnwick-engineering.Marlinet.simulated")),
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
