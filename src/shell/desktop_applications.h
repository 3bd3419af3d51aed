#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/content/installed_applications.h"
#include "platform/desktop_file_index.h"

namespace marlinet::shell {

// An application's `Icon=` value: a name in the icon theme, or an absolute
// path. Only the window that draws the row turns it into an image.
struct DesktopIcon final : AppIcon {
  explicit DesktopIcon(std::string value) : nameOrPath(std::move(value)) {}
  std::string nameOrPath;
};

// The applications of a Linux desktop as the excluded-apps list asks for them.
// There is no "running application" to offer here as on the Mac: an
// application is offered when it is installed, so runningApplications()
// answers every application a launcher shows (not NoDisplay, not Hidden),
// named by its desktop-file ID, the identifier the X11 layer reports for its
// windows. The list thus holds every installed application.
class DesktopApplications final : public InstalledApplications {
 public:
  // The XDG application directories of the environment, in its locale.
  DesktopApplications();
  DesktopApplications(std::vector<std::filesystem::path> applicationDirectories, std::string locale,
                      std::chrono::milliseconds recheckInterval = defaultRecheckInterval);
  DesktopApplications(const DesktopApplications&) = delete;
  DesktopApplications& operator=(const DesktopApplications&) = delete;

  // The `.desktop` file of an installed application; none when not installed.
  std::optional<std::filesystem::path> applicationLocation(const std::string& bundleIdentifier) const override;
  std::vector<RunningApplication> runningApplications() const override;
  // A DesktopIcon for an application's `.desktop` file; none for another file.
  std::shared_ptr<const AppIcon> iconForFile(const std::filesystem::path& path) const override;

  // One list of entries calls the methods above thousands of times within a
  // few milliseconds; the directories are looked at once per interval.
  static constexpr std::chrono::milliseconds defaultRecheckInterval{250};

 private:
  struct Application {
    std::string id;
    std::string name;
    std::filesystem::path file;
    bool offered = false;
    std::shared_ptr<const DesktopIcon> icon;
  };
  using Stamps = std::vector<std::optional<std::filesystem::file_time_type>>;

  void refreshIfChanged() const;
  void read() const;
  const Application* find(const std::string& id) const;

  std::vector<std::filesystem::path> applicationDirectories_;
  std::string locale_;
  std::chrono::milliseconds recheckInterval_;

  // Read lazily and again only when a directory changed: the list is rebuilt
  // at every click in the window, and reading 2,000 files each time would
  // make each click a visible pause.
  mutable bool read_ = false;
  mutable bool settled_ = false;
  mutable std::chrono::steady_clock::time_point lastCheck_;
  mutable std::vector<std::filesystem::path> watched_;
  mutable Stamps stamps_;
  mutable std::vector<Application> applications_;
  mutable std::unordered_map<std::string, std::size_t> byID_;
  mutable std::unordered_map<std::string, std::size_t> byFile_;
};

}  // namespace marlinet::shell
