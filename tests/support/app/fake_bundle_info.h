#pragma once

#include <optional>
#include <string>

#include "app/bundle_info.h"

namespace marlinet::testing {

class FakeBundleInfo final : public BundleInfo {
 public:
  std::optional<std::string> bundleIdentifier() const override { return identifier; }
  std::optional<PropertyList> infoValue(std::string_view key) const override {
    const auto found = info.find(key);
    if (found == info.end()) return std::nullopt;
    return found->second;
  }

  std::optional<std::string> identifier = std::string("com.example.marlinet");
  PropertyList::Dictionary info{{std::string(shortVersionKey), PropertyList("1.2")},
                                {std::string(buildVersionKey), PropertyList("34")}};
};

}  // namespace marlinet::testing
