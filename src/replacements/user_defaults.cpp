#include "replacements/user_defaults.h"

namespace marlinet {

bool UserDefaults::boolForKey(std::string_view key) const {
  const std::optional<PropertyList> value = objectForKey(key);
  if (!value) return false;
  if (const auto* boolean = std::get_if<bool>(&value->value)) return *boolean;
  if (const auto* integer = std::get_if<std::int64_t>(&value->value)) return *integer != 0;
  if (const auto* real = std::get_if<double>(&value->value)) return *real != 0.0;
  return false;
}

std::optional<std::vector<std::string>> UserDefaults::stringArrayForKey(std::string_view key) const {
  const std::optional<PropertyList> value = objectForKey(key);
  const PropertyList::Array* array = value ? value->array() : nullptr;
  if (array == nullptr) return std::nullopt;
  std::vector<std::string> texts;
  texts.reserve(array->size());
  for (const PropertyList& element : *array) {
    const std::string* text = element.text();
    if (text == nullptr) return std::nullopt;
    texts.push_back(*text);
  }
  return texts;
}

}  // namespace marlinet
