#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "replacements/parsed_replacements.h"
#include "replacements/property_list.h"

namespace marlinet {

// Where the system keeps the user's text replacements.
class SystemReplacementReading {
 public:
  virtual ~SystemReplacementReading() = default;

  // The global list of records, when it exists and is an array.
  virtual std::optional<std::vector<PropertyList>> globalReplacementItems() const = 0;
  // The spell checker's map from shortcut to phrase, possibly empty.
  virtual std::map<std::string, std::string> spellCheckerReplacements() const = 0;
};

// The global list when it yields anything (a replacement or a counted skip),
// else the spell checker's map when it is not empty, else nothing.
std::pair<ParsedReplacements, SystemListSource> readSystemReplacements(const SystemReplacementReading& reader);

}  // namespace marlinet
