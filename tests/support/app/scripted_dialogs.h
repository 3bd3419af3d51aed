#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"

namespace marlinet::testing {

// The open panel answers `chosenFile` (none: the user cancels); alert
// messages are recorded.
class ScriptedDialogs final : public Dialogs {
 public:
  std::optional<std::filesystem::path> chooseFile(const OpenPanelRequest&) override { return chosenFile; }
  void showAlert(const std::string& message, const std::string&) override { alerts.push_back(message); }

  std::optional<std::filesystem::path> chosenFile;
  std::vector<std::string> alerts;
};

}  // namespace marlinet::testing
