#include "coordination/expansion_gate.h"

namespace marlinet {

Verdict ExpansionGate::verdict(bool allowed, bool secureInput, const std::optional<std::string>& frontmostBundleID,
                               const std::optional<std::string>& ownBundleID, const BundleIDSet& excludedBundleIDs,
                               bool composing) {
  if (!allowed) return Verdict::off;
  if (secureInput) return Verdict::secureInput;
  if (!frontmostBundleID) return composing ? Verdict::composingInput : Verdict::track;
  if (ownBundleID && *ownBundleID == *frontmostBundleID) return Verdict::ownApp;
  if (excludedBundleIDs.contains(*frontmostBundleID)) return Verdict::excludedApp;
  if (composing) return Verdict::composingInput;
  return Verdict::track;
}

}  // namespace marlinet
