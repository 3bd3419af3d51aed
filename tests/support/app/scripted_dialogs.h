#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"

namespace marlinet::testing {

// The open panel answers `chosenFile` (none: the user cancels); alerts are
// recorded.
class ScriptedDialogs final : public Dialogs {
 public:
  struct Alert {
    std::string message;
    std::string informativeText;
  };

  std::optional<std::filesystem::path> chooseFile(const OpenPanelRequest& request) override {
    panels.push_back(request);
    return chosenFile;
  }
  void showAlert(const std::string& message, const std::string& informativeText) override {
    alerts.push_back({message, informativeText});
  }

  std::optional<std::filesystem::path> chosenFile;
  std::vector<OpenPanelRequest> panels;
  std::vector<Alert> alerts;
};

}  // namespace marlinet::testing
