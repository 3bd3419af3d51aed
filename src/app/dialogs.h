#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace marlinet {

struct OpenPanelRequest {
  std::string title;
  std::string message;
  std::vector<std::string> allowedExtensions;  // without the dot
  bool allowsMultipleSelection = false;
  bool choosesFolders = false;  // a folder instead of a file
};

// Modal questions and messages on the main thread.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // The chosen file, or none when the user cancelled.
  virtual std::optional<std::filesystem::path> chooseFile(const OpenPanelRequest& request) = 0;
  virtual void showAlert(const std::string& message, const std::string& informativeText) = 0;
};

}  // namespace marlinet
