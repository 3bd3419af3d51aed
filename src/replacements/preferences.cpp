#include "replacements/preferences.h"

#include <new>

namespace marlinet {

namespace {

// std::set<std::string> orders by bytes, which for UTF-8 is code-point order.
PropertyList storedForm(const std::set<std::string>& bundleIDs) {
  PropertyList::Array array;
  array.reserve(bundleIDs.size());
  for (const std::string& bundleID : bundleIDs) array.emplace_back(bundleID);
  return PropertyList(std::move(array));
}

}  // namespace

std::set<std::string> Preferences::defaultExcludedBundleIDs() {
  std::set<std::string> bundleIDs;
  for (const ExcludedApp& app : defaultExcludedApps) bundleIDs.emplace(app.bundleIdentifier);
  return bundleIDs;
}

Preferences::Preferences(UserDefaults& defaults) : defaults_(defaults) {
  try {
    defaults_.registerDefaults(PropertyList::Dictionary{
        {std::string(expansionEnabledKey), PropertyList(true)},
        {std::string(excludedBundleIDsKey), storedForm(defaultExcludedBundleIDs())},
    });
  } catch (const std::bad_alloc&) {
    // Out of memory at start: reads then fall back to false / the empty set.
  }
}

bool Preferences::expansionEnabled() const { return defaults_.boolForKey(expansionEnabledKey); }

void Preferences::setExpansionEnabled(bool enabled) { defaults_.setBool(expansionEnabledKey, enabled); }

std::set<std::string> Preferences::excludedBundleIDs() const {
  try {
    const auto stored = defaults_.stringArrayForKey(excludedBundleIDsKey);
    if (!stored) return {};
    return std::set<std::string>(stored->begin(), stored->end());
  } catch (const std::bad_alloc&) {
    return {};
  }
}

void Preferences::setExcludedBundleIDs(const std::set<std::string>& bundleIDs) {
  try {
    defaults_.setObject(excludedBundleIDsKey, storedForm(bundleIDs));
  } catch (const std::bad_alloc&) {
  }
}

void Preferences::resetExcludedBundleIDs() { defaults_.removeObjectForKey(excludedBundleIDsKey); }

}  // namespace marlinet
