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

std::set<std::string> identifiers(std::span<const ExcludedApp> apps) {
  std::set<std::string> bundleIDs;
  for (const ExcludedApp& app : apps) bundleIDs.emplace(app.bundleIdentifier);
  return bundleIDs;
}

}  // namespace

std::set<std::string> Preferences::defaultExcludedBundleIDs() { return identifiers(defaultExcludedApps); }

std::set<std::string> Preferences::builtInExcludedBundleIDs() const { return identifiers(builtInExclusions_); }

Preferences::Preferences(UserDefaults& defaults, std::span<const ExcludedApp> builtInExclusions)
    : defaults_(defaults), builtInExclusions_(builtInExclusions) {
  try {
    defaults_.registerDefaults(PropertyList::Dictionary{
        {std::string(expansionEnabledKey), PropertyList(true)},
        {std::string(excludedBundleIDsKey), storedForm(builtInExcludedBundleIDs())},
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
