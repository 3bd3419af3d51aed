#pragma once

#include <cstdint>
#include <variant>

#include "replacements/parsed_replacements.h"
#include "replacements/replacement_parser.h"

namespace marlinet {

// A list read from another text expander's files: what a property list would
// give, plus the entries left out whole because they rely on something
// Marlinet does not do (scripts, variables, forms, regular expressions...).
struct ForeignList {
  ParsedReplacements parsed;
  std::int64_t skippedUnsupported = 0;

  friend bool operator==(const ForeignList&, const ForeignList&) = default;
};

using ForeignListResult = std::variant<ForeignList, ReplacementParseError>;

}  // namespace marlinet
