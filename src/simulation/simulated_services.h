#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/app_services.h"
#include "app/change_publisher.h"
#include "app/direct_updater.h"
#include "app/inert_services.h"
#include "replacements/file_user_defaults.h"
#include "replacements/system_replacement_reader.h"

namespace marlinet::simulation {

// The desktop services of a simulated run that have nothing to simulate:
// permissions are granted, no window is drawn, nothing is stored, and a file
// chooser answers with the list the run imports. The keyboard, clipboard and
// clock come from the simulated desktop itself.
class SimulatedServices final {
 public:
  // `systemList` is the user's own list file, when the run has one.
  explicit SimulatedServices(const std::optional<std::filesystem::path>& systemList);
  SimulatedServices(const SimulatedServices&) = delete;
  SimulatedServices& operator=(const SimulatedServices&) = delete;
  ~SimulatedServices();

  // What the application model is built from, with the desktop's own parts.
  AppServices services(ExpansionContext& context, EventPosting& poster, PasteboardAccess& pasteboard,
                       Scheduler& scheduler, std::function<ExpansionCoordinator::TimePoint()> now,
                       EventTapControl& tap);

  // The next file chooser answers with this file.
  void chooseNext(std::filesystem::path file);
  // The message of the last alert the model showed, if any.
  const std::optional<std::string>& lastAlert() const;
  // Another application comes to the front.
  void otherApplicationActivated();

 private:
  std::unique_ptr<InertServices> inert_;
  std::shared_ptr<LocalFileSystem> files_ = std::make_shared<LocalFileSystem>();
  FileUserDefaults defaults_{std::nullopt, nullptr};
  SystemReplacementReader systemReader_;
  DirectUpdater updater_;
};

}  // namespace marlinet::simulation
