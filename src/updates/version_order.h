#pragma once

#include <compare>
#include <string_view>

namespace marlinet::updates {

// Release versions as feeds write them: dotted numbers ("1.10", "2.0.1"),
// optionally after a "v", optionally followed by a pre-release suffix
// ("1.2b3", "2.0-rc.1") and build metadata after "+" (ignored).
//
// Order: the dotted numbers first, numerically, a missing number counting as
// 0 (1.10 > 1.9, 1.2 == 1.2.0). With equal numbers a version with a suffix
// comes before the one without (1.2b3 < 1.2), since a suffix marks a
// pre-release. Two suffixes compare run by run, separators ignored: digits
// numerically (b3 < b10), letters alphabetically regardless of case (alpha <
// beta < rc, a < b), letters before digits, and a suffix that is a prefix of
// the other first (1.2b < 1.2b1).

// Whether `text` reads as a version: it starts (after an optional "v") with a digit.
bool isVersion(std::string_view text);

// Anything that is not a version comes before every version; two such are equivalent.
std::weak_ordering compareVersions(std::string_view a, std::string_view b);

}  // namespace marlinet::updates
