#pragma once

namespace marlinet {

// The application's overall state as the status menu and the settings window show it.
enum class ExpansionStatus {
  expanding,           // enabled, Accessibility granted, tap running, at least one replacement
  off,                 // the user switched expansion off
  needsAccessibility,  // enabled, but Accessibility is missing or the tap is not running
  noReplacements,      // enabled and running, but the merged list is empty
};

}  // namespace marlinet
