#pragma once

#include <set>
#include <string>
#include <vector>

#include "app/content/app_entry.h"

namespace marlinet {

// One checkbox row. Toggling it calls the model's setExcluded with the
// entry's id and the new state.
struct ExcludeAppsRow {
  AppEntry entry;
  bool checked = false;
};

struct ExcludeAppsContent {
  std::string header;
  std::vector<ExcludeAppsRow> rows;  // in makeEntries order
  std::string defaultTag;            // after the name of a default entry
  std::string footerNote;
  std::string restoreDefaultsTitle;  // calls the model's restoreDefaultExclusions
};

// A row is checked exactly when the excluded set, read at this moment, holds its id.
ExcludeAppsContent buildExcludeAppsContent(std::vector<AppEntry> entries, const std::set<std::string>& excluded);

}  // namespace marlinet
