#pragma once

#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "replacements/parsed_replacements.h"
#include "replacements/property_list.h"

namespace marlinet {

enum class ReplacementParseError {
  unreadable,        // the bytes are not a property list
  unexpectedFormat,  // a property list, but not a replacement list
};

using PropertyListParseResult = std::variant<ParsedReplacements, ReplacementParseError>;

// The bytes of an imported file: a root array of records, in the export shape
// ("shortcut", "phrase") or the system shape ("replace", "with", optional
// "on"), or a root dictionary of texts.
PropertyListParseResult parsePropertyList(std::string_view bytes);

// The system's records ("replace", "with", optional "on"). Never fails:
// malformed elements are skipped. Takes the list to move the phrases out.
ParsedReplacements parseItems(std::vector<PropertyList> items);

// A map from shortcut to phrase, read in ascending code-point order of the
// keys. `skippedDisabled` is always 0.
ParsedReplacements parseDictionary(const std::map<std::string, std::string>& entries);

// Whether a record's "on" value switches it off: a number whose truth value
// is false, or the text "0" or any casing of "false". Anything else is on.
bool isSwitchedOff(const PropertyList& on);

}  // namespace marlinet
