#pragma once

#include <optional>
#include <string>

#include "replacements/property_list.h"

namespace marlinet {

enum class PropertyListFormat { xml, binary };

// Encodes `value` in `format` through libplist: a writer independent of our
// readers, for tests, fuzzing and benchmarks (the program has its own XML
// writer, which the tests hold to this one's reader).
// Absent when the value nests deeper than maxPropertyListDepth or holds a
// date beyond the writer's 32-bit range of seconds; dates keep whole
// microseconds.
std::optional<std::string> encodePropertyList(const PropertyList& value, PropertyListFormat format);

// libplist's reading of the XML `xml`, carried over in the compact encoding
// libplist writes: a reader independent of ours. Absent when libplist
// refuses it.
std::optional<PropertyList> decodeWithLibplist(const std::string& xml);

}  // namespace marlinet
