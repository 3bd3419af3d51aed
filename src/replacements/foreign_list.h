#pragma once

#include <cstddef>
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

// What one list may expand to before it is refused as too large: a shared
// trigger list named by many matches, or one long text under many
// abbreviations, is copied once per shortcut. Far above any real list.
inline constexpr std::size_t maxForeignRecords = std::size_t{1} << 18;           // shortcuts
inline constexpr std::size_t maxForeignCopiedBytes = std::size_t{64} << 20;      // their shortcuts and phrases

using ForeignListResult = std::variant<ForeignList, ReplacementParseError>;

}  // namespace marlinet
