#include "support/content/fake_installed_applications.h"

namespace marlinet::testing {

void FakeInstalledApplications::install(const std::string& bundleIdentifier,
                                        std::optional<std::filesystem::path> location) {
  installed[bundleIdentifier] = location.value_or(std::filesystem::path("/Applications") / (bundleIdentifier + ".app"));
}

void FakeInstalledApplications::launch(std::optional<std::string> bundleIdentifier,
                                       std::optional<std::string> localizedName,
                                       RunningApplication::ActivationPolicy policy) {
  running.push_back({std::move(bundleIdentifier), std::move(localizedName), policy});
}

std::optional<std::filesystem::path> FakeInstalledApplications::applicationLocation(
    const std::string& bundleIdentifier) const {
  const auto found = installed.find(bundleIdentifier);
  if (found == installed.end()) return std::nullopt;
  return found->second;
}

std::vector<RunningApplication> FakeInstalledApplications::runningApplications() const { return running; }

std::shared_ptr<const AppIcon> FakeInstalledApplications::iconForFile(const std::filesystem::path& path) const {
  return std::make_shared<FakeAppIcon>(path);
}

}  // namespace marlinet::testing
