#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "replacements/date.h"

namespace marlinet {

// One decoded property-list value. Texts are always well-formed UTF-8
// (ill-formed sequences in a file become U+FFFD).
struct PropertyList {
  struct Data {
    std::string bytes;
    friend bool operator==(const Data&, const Data&) = default;
  };
  // Keyed-archive object reference; only the compact encoding has it.
  struct Uid {
    std::uint64_t value = 0;
    friend bool operator==(const Uid&, const Uid&) = default;
  };
  using Array = std::vector<PropertyList>;
  using Dictionary = std::map<std::string, PropertyList, std::less<>>;
  using Value = std::variant<std::string, std::int64_t, double, bool, Date, Data, Uid, Array, Dictionary>;

  Value value;

  PropertyList() = default;
  PropertyList(std::string text) : value(std::move(text)) {}
  PropertyList(const char* text) : value(std::string(text)) {}
  PropertyList(std::int64_t integer) : value(integer) {}
  PropertyList(int integer) : value(std::int64_t{integer}) {}
  PropertyList(double real) : value(real) {}
  PropertyList(bool boolean) : value(boolean) {}
  PropertyList(Date date) : value(date) {}
  PropertyList(Data data) : value(std::move(data)) {}
  PropertyList(Uid uid) : value(uid) {}
  PropertyList(Array array) : value(std::move(array)) {}
  PropertyList(Dictionary dictionary) : value(std::move(dictionary)) {}

  const std::string* text() const { return std::get_if<std::string>(&value); }
  const Array* array() const { return std::get_if<Array>(&value); }
  const Dictionary* dictionary() const { return std::get_if<Dictionary>(&value); }
  // The value under `key` when this is a dictionary that has it.
  const PropertyList* find(std::string_view key) const;

  friend bool operator==(const PropertyList&, const PropertyList&) = default;
};

enum class PropertyListFormat { xml, binary };

// Nesting deeper than this is refused; no replacement list comes close.
inline constexpr int maxPropertyListDepth = 512;
// Values a compact file may expand to (a shared sub-array is counted at every
// place it is referenced), so that a small file cannot explode in memory.
inline constexpr std::uint64_t maxPropertyListValues = 1u << 21;

// Decodes the XML or the compact ("bplist00") encoding. Absent for anything
// that is not a property list, or that nests or expands beyond the limits.
std::optional<PropertyList> decodePropertyList(std::string_view bytes);

// Encodes `value` in `format` through libplist (for tools and tests; the
// application only reads, and reads with its own decoders for speed). Absent when the value nests too deep. Dates keep whole
// microseconds within the 32-bit range of seconds.
std::optional<std::string> encodePropertyList(const PropertyList& value, PropertyListFormat format);

}  // namespace marlinet
