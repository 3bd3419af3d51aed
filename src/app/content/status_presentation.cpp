#include "app/content/status_presentation.h"

#include "app/localization.h"

namespace marlinet {

StatusPresentation statusPresentation(ExpansionStatus status) {
  switch (status) {
    case ExpansionStatus::expanding:
      return {localized("Expanding in apps that don’t do it themselves"), "checkmark.circle", false};
    case ExpansionStatus::off:
      return {localized("Expansion is off"), "pause.circle", true};
    case ExpansionStatus::needsAccessibility:
      return {localized("Needs Accessibility access"), "exclamationmark.triangle", true};
    case ExpansionStatus::noReplacements:
      return {localized("No text replacements found"), "text.badge.xmark", true};
  }
  // An out-of-range value can only come from a cast; show it as not working.
  return {localized("Expansion is off"), "pause.circle", true};
}

bool statusIconDimmed(ExpansionStatus status) { return status != ExpansionStatus::expanding; }

StatusItemImage statusItemImage() { return {"text.insert", localized("Marlinet"), true}; }

}  // namespace marlinet
