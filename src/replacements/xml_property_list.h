#pragma once

#include <optional>
#include <string_view>

#include "replacements/property_list.h"

namespace marlinet {

// Reads the XML encoding of a property list in one pass, straight into
// values. The status menu re-reads the user's list every time it opens, and
// a general XML tree costs several times what the list is worth.
//
// Accepts what property-list writers produce: an optional XML declaration,
// document type and comments, a <plist> root (or a bare value), the
// predefined and numeric character references, CDATA sections and comments
// inside text. Refuses anything malformed rather than guessing: a number,
// date or data block that does not read, a key without a value, unknown
// elements, text outside a value, nesting deeper than maxPropertyListDepth,
// more than maxPropertyListValues values or maxPropertyListTextBytes of text.
// Texts keep their bytes, except that ill-formed UTF-8 becomes U+FFFD.
std::optional<PropertyList> decodeXmlPropertyList(std::string_view text);

}  // namespace marlinet
