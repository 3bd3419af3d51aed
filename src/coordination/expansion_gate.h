#pragma once

#include <optional>
#include <string>
#include <unordered_set>

namespace marlinet {

enum class Verdict { track, off, excludedApp, secureInput, composingInput, ownApp };

using BundleIDSet = std::unordered_set<std::string>;

// Whether typing may be tracked right now; every other answer names why not.
struct ExpansionGate {
  static Verdict verdict(bool allowed, bool secureInput, const std::optional<std::string>& frontmostBundleID,
                         const std::optional<std::string>& ownBundleID, const BundleIDSet& excludedBundleIDs,
                         bool composing);
};

}  // namespace marlinet
