#include "replacements/property_list.h"

#include "replacements/compact_property_list.h"
#include "replacements/xml_property_list.h"

namespace marlinet {

const PropertyList* PropertyList::find(std::string_view key) const {
  const Dictionary* entries = dictionary();
  if (entries == nullptr) return nullptr;
  const auto found = entries->find(key);
  return found == entries->end() ? nullptr : &found->second;
}

std::optional<PropertyList> decodePropertyList(std::string_view bytes) try {
  if (bytes.starts_with("bplist00")) return decodeCompactPropertyList(bytes);
  // XML allows no NUL character; a text holding one would be cut short by any C caller.
  if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
  return decodeXmlPropertyList(bytes);
} catch (...) {
  return std::nullopt;  // out of memory: as good as unreadable
}

}  // namespace marlinet
