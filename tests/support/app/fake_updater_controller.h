#pragma once

#include <memory>

#include "app/updater_controller.h"

namespace marlinet::testing {

// Counts what happens to every controller a factory made.
struct UpdaterRecord {
  int controllersMade = 0;
  int checks = 0;
  bool automaticChecks = true;
};

class FakeUpdaterController final : public UpdaterController {
 public:
  explicit FakeUpdaterController(UpdaterRecord& record) : record_(record) {}
  void checkForUpdates() override { ++record_.checks; }
  bool automaticallyChecksForUpdates() const override { return record_.automaticChecks; }
  void setAutomaticallyChecksForUpdates(bool on) override { record_.automaticChecks = on; }

 private:
  UpdaterRecord& record_;
};

inline UpdaterControllerFactory fakeUpdaterFactory(UpdaterRecord& record) {
  return [&record]() -> std::unique_ptr<UpdaterController> {
    ++record.controllersMade;
    return std::make_unique<FakeUpdaterController>(record);
  };
}

}  // namespace marlinet::testing
