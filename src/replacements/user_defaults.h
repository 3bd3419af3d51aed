#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "replacements/property_list.h"

namespace marlinet {

// A key-value store of settings with two domains: the user's own values,
// which persist, and registered defaults, which are volatile and answer for
// every key the user never set.
class UserDefaults {
 public:
  virtual ~UserDefaults() = default;

  // Adds (or replaces) registered defaults; never persisted.
  virtual void registerDefaults(const PropertyList::Dictionary& defaults) = 0;
  // The user's value, else the registered default, else absent.
  virtual std::optional<PropertyList> objectForKey(std::string_view key) const = 0;
  virtual void setObject(std::string_view key, PropertyList value) = 0;
  // Forgets the user's value so that the registered default applies again.
  virtual void removeObjectForKey(std::string_view key) = 0;

  // A Boolean, or a number read as its truth value; anything else is false.
  bool boolForKey(std::string_view key) const;
  // An array whose elements are all texts; anything else is absent.
  std::optional<std::vector<std::string>> stringArrayForKey(std::string_view key) const;
  void setBool(std::string_view key, bool value) { setObject(key, PropertyList(value)); }
};

}  // namespace marlinet
