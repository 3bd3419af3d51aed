#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace marlinet {

// An application's icon as the desktop layer hands it over; only the drawing
// code looks inside.
class AppIcon {
 public:
  virtual ~AppIcon() = default;
};

struct RunningApplication {
  enum class ActivationPolicy { regular, accessory, prohibited };
  std::optional<std::string> bundleIdentifier;
  std::optional<std::string> localizedName;
  ActivationPolicy activationPolicy = ActivationPolicy::regular;
};

// What the desktop knows about installed and running applications.
class InstalledApplications {
 public:
  virtual ~InstalledApplications() = default;
  // Where the application with this identifier is installed; none when unknown.
  virtual std::optional<std::filesystem::path> applicationLocation(const std::string& bundleIdentifier) const = 0;
  // Running applications, in the order the desktop lists them.
  virtual std::vector<RunningApplication> runningApplications() const = 0;
  virtual std::shared_ptr<const AppIcon> iconForFile(const std::filesystem::path& path) const = 0;
};

}  // namespace marlinet
