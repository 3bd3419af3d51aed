#pragma once

#include <cstddef>
#include <string_view>

#include "replacements/foreign_list.h"

namespace marlinet {

// An espanso match file is a few hundred kilobytes at most; anything larger
// is refused before it is parsed.
inline constexpr std::size_t maxEspansoFileSize = std::size_t{8} << 20;

// The bytes of an espanso match file (YAML with a top-level "matches" list).
// Matches with plain triggers ("trigger" or "triggers") and a plain "replace"
// text become replacements, one per trigger, through the same cleaning as a
// property list. Matches using regular expressions, variables, forms, images,
// Markdown or HTML, or a "replace" with "{{...}}" or "$|$", are counted as
// unsupported. Never throws: malformed YAML and files over the limits are
// `unreadable`; YAML that is not a match file is `unexpectedFormat`.
ForeignListResult readEspansoMatches(std::string_view bytes);

}  // namespace marlinet
