#include "app/content/exclude_apps_content.h"

#include <utility>

#include "app/localization.h"

namespace marlinet {

ExcludeAppsContent buildExcludeAppsContent(std::vector<AppEntry> entries, const std::set<std::string>& excluded) {
  ExcludeAppsContent content;
  content.header = localized(
      "Marlinet won’t expand in the apps you check here. Apps that already expand text replacements themselves "
      "are checked from the start, so nothing expands twice.");
  content.defaultTag = localized("Default");
  content.footerNote = localized("Password fields are skipped in every app.");
  content.restoreDefaultsTitle = localized("Restore Defaults");
  content.rows.reserve(entries.size());
  for (AppEntry& entry : entries) {
    const bool checked = excluded.contains(entry.id);
    content.rows.push_back({std::move(entry), checked});
  }
  return content;
}

}  // namespace marlinet
