#pragma once

#include <optional>
#include <string>
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
// A dictionary holding only an integer under "CF$UID" is a keyed-archive
// reference, as the XML encoding spells one.
std::optional<PropertyList> decodeXmlPropertyList(std::string_view text);

// Writes the conventional XML encoding (declaration, document type, tab
// indentation), which the reader above and other property-list readers take
// back as the same value. What XML cannot carry is written as close as it
// allows: U+0000 becomes U+FFFD (as does ill-formed UTF-8), and dates are
// kept within the years 0000 to 9999. A value nested deeper than
// maxPropertyListDepth is written whole but no reader takes it back.
std::string encodeXmlPropertyList(const PropertyList& root);

}  // namespace marlinet
