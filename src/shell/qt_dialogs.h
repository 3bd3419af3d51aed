#pragma once

#include "app/dialogs.h"

namespace marlinet::shell {

// The file chooser and alerts as Qt's dialogs, modal over the whole application.
class QtDialogs final : public Dialogs {
 public:
  std::optional<std::filesystem::path> chooseFile(const OpenPanelRequest& request) override;
  void showAlert(const std::string& message, const std::string& informativeText) override;
};

}  // namespace marlinet::shell
