#include "app/content/window_descriptions.h"

#include "app/localization.h"

namespace marlinet {

std::string WindowDescription::title() const { return localized(englishTitle); }

}  // namespace marlinet
