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
#include "replacements/file_system.h"

namespace marlinet {

// One decoded property-list value. Texts are always well-formed UTF-8
// (ill-formed sequences in a file become U+FFFD).
struct PropertyList {
  struct Data {
    std::string bytes;
    friend bool operator==(const Data&, const Data&) = default;
  };
  // Keyed-archive object reference: native in the compact encoding, a
  // dictionary holding only an integer under "CF$UID" in the XML one.
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

// Limits on what one document may decode to, so that no file (within the
// read limit) can make a reader exhaust memory. A value the compact encoding
// shares is counted at every place it is referenced. No replacement list
// comes close to any of them.
//
// Levels of nesting.
inline constexpr int maxPropertyListDepth = 512;
// Values, dictionary keys included: about 200,000 records.
inline constexpr std::uint64_t maxPropertyListValues = 1u << 20;
// Bytes of decoded texts, keys and data: half of FileSystem::maxReadSize,
// the most a file may hold. A de-duplicating writer may legitimately store
// much less than this, but such a list then holds as much text as a plain
// file of a few tens of megabytes; the half leaves room for the copies
// that reading a list makes.
inline constexpr std::uint64_t maxPropertyListTextBytes = FileSystem::maxReadSize / 2;

// Decodes the XML or the compact ("bplist00") encoding. Absent for anything
// that is not a property list, or that nests or expands beyond the limits.
std::optional<PropertyList> decodePropertyList(std::string_view bytes);

}  // namespace marlinet
