#pragma once

#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "app/content/installed_applications.h"
#include "replacements/preferences.h"

namespace marlinet {

// One application offered in the excluded-apps list.
struct AppEntry {
  std::string id;  // bundle identifier
  std::string name;
  std::shared_ptr<const AppIcon> icon;  // none when the application's location is unknown
  bool isDefault = false;               // part of the built-in exclusion list
};

// The applications worth offering: installed entries of `defaults`, the
// regular applications the desktop offers and installed applications already
// excluded; never this program itself. The defaults come first, each group
// sorted by name, ignoring case, in the user's locale.
std::vector<AppEntry> makeEntries(const InstalledApplications& applications,
                                  const std::optional<std::string>& ownBundleIdentifier,
                                  const std::set<std::string>& excluded,
                                  std::span<const ExcludedApp> defaults = Preferences::defaultExcludedApps);

}  // namespace marlinet
