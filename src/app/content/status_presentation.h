#pragma once

#include <string>
#include <string_view>

#include "app/content/expansion_status.h"

namespace marlinet {

// How one expansion status looks in the status line of the menu.
struct StatusPresentation {
  std::string text;
  std::string symbolName;
  bool iconDimmed = false;  // the status item is drawn dimmed
};

StatusPresentation statusPresentation(ExpansionStatus status);

// The icon is dimmed whenever expansion is not actually working.
bool statusIconDimmed(ExpansionStatus status);

// The status item's own image in the menu bar.
struct StatusItemImage {
  std::string symbolName;
  std::string accessibilityDescription;
  bool isTemplate = true;  // so the menu bar tints it for light and dark
};

StatusItemImage statusItemImage();

}  // namespace marlinet
