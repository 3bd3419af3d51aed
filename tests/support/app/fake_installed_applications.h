#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/content/installed_applications.h"

namespace marlinet::testing {

// An icon that names the application folder it came from.
struct FakeAppIcon final : AppIcon {
  explicit FakeAppIcon(std::filesystem::path from) : path(std::move(from)) {}
  std::filesystem::path path;
};

class FakeInstalledApplications final : public InstalledApplications {
 public:
  std::optional<std::filesystem::path> applicationLocation(const std::string& bundleIdentifier) const override {
    const auto found = installed.find(bundleIdentifier);
    if (found == installed.end()) return std::nullopt;
    return found->second;
  }
  std::vector<RunningApplication> runningApplications() const override { return running; }
  std::shared_ptr<const AppIcon> iconForFile(const std::filesystem::path& path) const override {
    return std::make_shared<FakeAppIcon>(path);
  }

  // Installs an application at a made-up location.
  void install(const std::string& bundleIdentifier) {
    installed[bundleIdentifier] = std::filesystem::path("/Applications") / (bundleIdentifier + ".app");
  }

  std::map<std::string, std::filesystem::path> installed;
  std::vector<RunningApplication> running;
};

}  // namespace marlinet::testing
