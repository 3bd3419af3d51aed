#include "support/replacements/in_memory_user_defaults.h"

namespace marlinet::testing {

void InMemoryUserDefaults::registerDefaults(const PropertyList::Dictionary& defaults) {
  for (const auto& [key, value] : defaults) registered.insert_or_assign(key, value);
}

std::optional<PropertyList> InMemoryUserDefaults::objectForKey(std::string_view key) const {
  if (const auto found = persistent.find(key); found != persistent.end()) return found->second;
  if (const auto found = registered.find(key); found != registered.end()) return found->second;
  return std::nullopt;
}

void InMemoryUserDefaults::setObject(std::string_view key, PropertyList value) {
  persistent.insert_or_assign(std::string(key), std::move(value));
}

void InMemoryUserDefaults::removeObjectForKey(std::string_view key) {
  if (const auto found = persistent.find(key); found != persistent.end()) persistent.erase(found);
}

}  // namespace marlinet::testing
