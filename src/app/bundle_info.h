#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "replacements/property_list.h"

namespace marlinet {

// What the application knows about itself.
class BundleInfo {
 public:
  static constexpr std::string_view shortVersionKey = "CFBundleShortVersionString";
  static constexpr std::string_view buildVersionKey = "CFBundleVersion";

  virtual ~BundleInfo() = default;
  // The application's own identifier; none when it has none.
  virtual std::optional<std::string> bundleIdentifier() const = 0;
  // A value of the application's information table, of whatever kind is
  // stored there; none when the key is missing.
  virtual std::optional<PropertyList> infoValue(std::string_view key) const = 0;
};

}  // namespace marlinet
