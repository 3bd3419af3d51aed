#include "shell/desktop_applications.h"

#include <system_error>

namespace marlinet::shell {
namespace {

namespace fs = std::filesystem;

// A directory changed this recently may change again within the same tick
// of the file system's clock, unseen in its time stamp; it is read again.
constexpr std::chrono::seconds settleTime{2};

std::optional<fs::file_time_type> stampOf(const fs::path& directory) {
  std::error_code error;
  const fs::file_time_type stamp = fs::last_write_time(directory, error);
  if (error) return std::nullopt;
  return stamp;
}

}  // namespace

DesktopApplications::DesktopApplications()
    : DesktopApplications(DesktopFileIndex::environmentDirectories(), DesktopFileIndex::environmentLocale()) {}

DesktopApplications::DesktopApplications(std::vector<fs::path> applicationDirectories, std::string locale,
                                         std::chrono::milliseconds recheckInterval)
    : applicationDirectories_(std::move(applicationDirectories)),
      locale_(std::move(locale)),
      recheckInterval_(recheckInterval) {}

void DesktopApplications::refreshIfChanged() const {
  const auto now = std::chrono::steady_clock::now();
  if (read_ && now - lastCheck_ < recheckInterval_) return;
  lastCheck_ = now;
  if (read_ && settled_) {
    bool changed = false;
    for (std::size_t i = 0; i < watched_.size() && !changed; ++i) changed = stampOf(watched_[i]) != stamps_[i];
    if (!changed) return;
  }
  read();
}

void DesktopApplications::read() const {
  const DesktopFileIndex index(applicationDirectories_, locale_);
  watched_ = index.directories();
  stamps_.clear();
  const auto settledBefore = fs::file_time_type::clock::now() - settleTime;
  settled_ = true;
  for (const fs::path& directory : watched_) {
    stamps_.push_back(stampOf(directory));
    if (stamps_.back() && *stamps_.back() > settledBefore) settled_ = false;
  }

  applications_.clear();
  byID_.clear();
  byFile_.clear();
  for (const DesktopEntry& entry : index.entries()) {
    // The user deleted it: not installed as far as anyone should know.
    if (entry.hidden) continue;
    Application application;
    application.id = entry.id;
    application.name = entry.name;
    application.file = entry.file;
    // A launcher shows neither NoDisplay entries nor ones without a name.
    application.offered = !entry.noDisplay && !entry.name.empty();
    application.icon = std::make_shared<const DesktopIcon>(entry.icon);
    byID_.emplace(application.id, applications_.size());
    byFile_.emplace(application.file.native(), applications_.size());
    applications_.push_back(std::move(application));
  }
  read_ = true;
}

const DesktopApplications::Application* DesktopApplications::find(const std::string& id) const {
  refreshIfChanged();
  const auto found = byID_.find(id);
  return found == byID_.end() ? nullptr : &applications_[found->second];
}

std::optional<fs::path> DesktopApplications::applicationLocation(const std::string& bundleIdentifier) const {
  const Application* application = find(bundleIdentifier);
  if (application == nullptr) return std::nullopt;
  return application->file;
}

std::vector<RunningApplication> DesktopApplications::runningApplications() const {
  refreshIfChanged();
  std::vector<RunningApplication> offered;
  offered.reserve(applications_.size());
  for (const Application& application : applications_) {
    if (!application.offered) continue;
    offered.push_back({application.id, application.name, RunningApplication::ActivationPolicy::regular});
  }
  return offered;
}

std::shared_ptr<const AppIcon> DesktopApplications::iconForFile(const fs::path& path) const {
  refreshIfChanged();
  const auto found = byFile_.find(path.native());
  if (found == byFile_.end()) return nullptr;
  return applications_[found->second].icon;
}

}  // namespace marlinet::shell
