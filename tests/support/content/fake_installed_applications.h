#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/content/installed_applications.h"

namespace marlinet::testing {

// An icon that remembers which file it was made for.
class FakeAppIcon final : public AppIcon {
 public:
  explicit FakeAppIcon(std::filesystem::path forFile) : file(std::move(forFile)) {}
  std::filesystem::path file;
};

// A desktop whose installed and running applications the test sets up.
class FakeInstalledApplications final : public InstalledApplications {
 public:
  // Installs under /Applications/<bundleIdentifier>.app unless a location is given.
  void install(const std::string& bundleIdentifier, std::optional<std::filesystem::path> location = std::nullopt);
  void launch(std::optional<std::string> bundleIdentifier, std::optional<std::string> localizedName,
              RunningApplication::ActivationPolicy policy = RunningApplication::ActivationPolicy::regular);

  std::optional<std::filesystem::path> applicationLocation(const std::string& bundleIdentifier) const override;
  std::vector<RunningApplication> runningApplications() const override;
  std::shared_ptr<const AppIcon> iconForFile(const std::filesystem::path& path) const override;

  std::map<std::string, std::filesystem::path> installed;
  std::vector<RunningApplication> running;
};

}  // namespace marlinet::testing
