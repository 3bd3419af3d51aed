#pragma once

#include <optional>
#include <string>

namespace marlinet {

// "1.2 (34)" from the bundle's short version and build. Pass none for a value
// that is missing or not text; it shows as "?", as does an empty value.
std::string versionText(const std::optional<std::string>& shortVersion, const std::optional<std::string>& build);

}  // namespace marlinet
