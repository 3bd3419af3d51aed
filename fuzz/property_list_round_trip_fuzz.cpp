// Feeds arbitrary bytes to the property-list decoders; whatever decodes must
// stay within the decoders' limits and survive being written by libplist, in
// either encoding, and read back. This holds our two readers to an
// independent writer on values no corpus lists.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "replacements/property_list.h"
#include "support/replacements/property_list_writer.h"

namespace {

using marlinet::PropertyList;

// Equal up to what the writer may drop: dates keep about whole seconds, reals may
// lose their last digits, texts end at U+0000, identifiers keep 32 bits in
// the compact encoding, and XML spells an identifier as a dictionary.
bool sameValue(const PropertyList& read, const PropertyList& again) {
  if (const auto* uid = std::get_if<PropertyList::Uid>(&read.value)) {
    if (const auto* other = std::get_if<PropertyList::Uid>(&again.value)) {
      return other->value == (uid->value & 0xFFFFFFFFu);
    }
    const PropertyList* inner = again.find("CF$UID");
    return again.dictionary() && again.dictionary()->size() == 1 && inner &&
           *inner == PropertyList(static_cast<std::int64_t>(uid->value));
  }
  if (read.value.index() != again.value.index()) return false;
  if (const auto* text = read.text()) {
    return std::string_view(*text).substr(0, text->find('\0')) == *again.text();
  }
  if (const auto* date = std::get_if<marlinet::Date>(&read.value)) {
    return std::fabs(date->secondsSinceReferenceDate - std::get<marlinet::Date>(again.value).secondsSinceReferenceDate) <=
           1.0;
  }
  if (const auto* real = std::get_if<double>(&read.value)) {
    const double other = std::get<double>(again.value);
    if (std::isnan(*real) || std::isnan(other)) return std::isnan(*real) && std::isnan(other);
    return *real == other || std::fabs(*real - other) <= 1e-9 * std::fmax(std::fabs(*real), std::fabs(other));
  }
  if (const auto* array = read.array()) {
    const auto& otherArray = *again.array();
    if (array->size() != otherArray.size()) return false;
    for (std::size_t i = 0; i < array->size(); ++i) {
      if (!sameValue((*array)[i], otherArray[i])) return false;
    }
    return true;
  }
  if (const auto* dictionary = read.dictionary()) {
    if (dictionary->size() != again.dictionary()->size()) return false;
    for (const auto& [key, item] : *dictionary) {
      const PropertyList* other = again.find(key);
      if (other == nullptr || !sameValue(item, *other)) return false;
    }
    return true;
  }
  return read == again;
}

// Adds what `value` holds to the counts the decoders keep within their limits.
void count(const PropertyList& value, std::uint64_t& values, std::uint64_t& textBytes) {
  ++values;
  if (const auto* text = value.text()) textBytes += text->size();
  if (const auto* data = std::get_if<PropertyList::Data>(&value.value)) textBytes += data->bytes.size();
  if (const auto* array = value.array()) {
    for (const PropertyList& item : *array) count(item, values, textBytes);
  }
  if (const auto* dictionary = value.dictionary()) {
    for (const auto& [key, item] : *dictionary) {
      ++values;
      textBytes += key.size();
      count(item, values, textBytes);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto read = marlinet::decodePropertyList(bytes);
  if (!read) return 0;
  std::uint64_t values = 0;
  std::uint64_t textBytes = 0;
  count(*read, values, textBytes);
  if (values > marlinet::maxPropertyListValues || textBytes > marlinet::maxPropertyListTextBytes) std::abort();
  for (const auto format : {marlinet::PropertyListFormat::xml, marlinet::PropertyListFormat::binary}) {
    // The writer refuses dates beyond its 32-bit range of seconds; nothing to compare then.
    const auto written = marlinet::encodePropertyList(*read, format);
    if (!written) continue;
    const auto again = marlinet::decodePropertyList(*written);
    if (!again || !sameValue(*read, *again)) std::abort();
  }
  return 0;
}
