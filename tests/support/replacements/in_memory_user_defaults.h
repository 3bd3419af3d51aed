#pragma once

#include "replacements/user_defaults.h"

namespace marlinet::testing {

// User defaults that live only in memory. `persistent` is the user's domain,
// open to tests that need to plant or inspect stored values.
class InMemoryUserDefaults final : public UserDefaults {
 public:
  void registerDefaults(const PropertyList::Dictionary& defaults) override;
  std::optional<PropertyList> objectForKey(std::string_view key) const override;
  void setObject(std::string_view key, PropertyList value) override;
  void removeObjectForKey(std::string_view key) override;

  PropertyList::Dictionary persistent;
  PropertyList::Dictionary registered;
};

}  // namespace marlinet::testing
