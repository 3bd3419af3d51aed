#pragma once

#include <optional>
#include <string_view>

#include "replacements/property_list.h"

namespace marlinet {

// Reads the compact encoding of a property list (the file starts with
// "bplist00"): a trailer locating a table of object offsets, and objects that
// refer to each other by index.
//
// Before anything is built the whole object graph is measured, so a file
// that nests deeper than maxPropertyListDepth, refers in a cycle, or whose
// shared references would expand beyond maxPropertyListValues values or
// maxPropertyListTextBytes of text is refused without allocating for it.
// Sharing within those limits is read: writers store equal texts once.
// Dictionary keys must be texts without U+0000.
// Texts in the one-byte encoding that are not UTF-8, and lone UTF-16
// surrogates, become U+FFFD.
std::optional<PropertyList> decodeCompactPropertyList(std::string_view bytes);

}  // namespace marlinet
