#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/replacement.h"

namespace marlinet {

// The outcome of reading one replacement list: the usable entries in source
// order (no two with the same shortcut) and what was left out for a reason
// the user is told about.
struct ParsedReplacements {
  std::vector<Replacement> replacements;
  std::int64_t skippedNonASCII = 0;  // shortcut holds a character outside U+0020...U+007E
  std::int64_t skippedDisabled = 0;  // the source marks the entry as switched off

  friend bool operator==(const ParsedReplacements&, const ParsedReplacements&) = default;
};

// Which system source produced the system list.
enum class SystemListSource { globalDefaults, spellChecker, none };

// The shortcut character rule: true when `shortcut` holds anything other than
// printable ASCII (U+0020 to U+007E, space included). False for the empty
// text. Ill-formed UTF-8 counts as unsupported.
bool hasUnsupportedCharacters(std::string_view shortcut) noexcept;

}  // namespace marlinet
