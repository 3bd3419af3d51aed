// Feeds arbitrary bytes to the property-list decoders; whatever decodes must
// stay within the decoders' limits and survive being written by libplist, in
// either encoding, and read back. This holds our two readers to an
// independent writer on values no corpus lists. It must also survive our own
// XML writer: read back by our reader exactly (up to what the writer is known
// to change), and by libplist's reader as closely as libplist keeps values.

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "replacements/compact_property_list.h"
#include "replacements/property_list.h"
#include "replacements/xml_property_list.h"
#include "support/replacements/property_list_writer.h"

namespace {

using marlinet::PropertyList;

// The identifier `value` is or spells: a dictionary holding only an integer
// under CF$UID, as XML writes one.
std::optional<std::uint64_t> reference(const PropertyList& value) {
  if (const auto* uid = std::get_if<PropertyList::Uid>(&value.value)) return uid->value;
  const PropertyList* inner = value.find("CF$UID");
  const auto* integer = inner ? std::get_if<std::int64_t>(&inner->value) : nullptr;
  if (integer == nullptr || value.dictionary()->size() != 1) return std::nullopt;
  return static_cast<std::uint64_t>(*integer);
}

// Equal up to what the writer may drop: dates keep about whole seconds, reals may
// lose their last digits, texts end at U+0000, identifiers keep 32 bits in
// the compact encoding, and XML spells an identifier as a dictionary.
bool sameValue(const PropertyList& read, const PropertyList& again) {
  if (const auto uid = reference(read)) {
    const auto other = reference(again);
    return other && (*other == *uid || *other == (*uid & 0xFFFFFFFFu));
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

// What our XML writer is documented to change: U+0000 becomes U+FFFD, dates
// stay within the years 0000 to 9999 (one that is not a number becomes the
// reference date), and a dictionary spelling an identifier reads back as one.
std::string writableText(std::string text) {
  for (std::size_t at = text.find('\0'); at != std::string::npos; at = text.find('\0', at)) {
    text.replace(at, 1, "\xEF\xBF\xBD");
  }
  return text;
}

PropertyList writable(const PropertyList& value) {
  if (const auto uid = reference(value)) return PropertyList(PropertyList::Uid{*uid});
  if (const auto* text = value.text()) return PropertyList(writableText(*text));
  if (const auto* date = std::get_if<marlinet::Date>(&value.value)) {
    constexpr double first = -62167219200.0 - marlinet::Date::referenceDateUnixSeconds;  // 0000-01-01T00:00:00Z
    constexpr double last = 253402300799.0 - marlinet::Date::referenceDateUnixSeconds;   // 9999-12-31T23:59:59Z
    const double seconds = date->secondsSinceReferenceDate;
    if (std::isnan(seconds)) return PropertyList(marlinet::Date{0});
    return PropertyList(marlinet::Date{seconds < first ? first : seconds >= last + 1 ? last : seconds});
  }
  if (const auto* array = value.array()) {
    PropertyList::Array items;
    for (const PropertyList& item : *array) items.push_back(writable(item));
    return PropertyList(std::move(items));
  }
  if (const auto* dictionary = value.dictionary()) {
    PropertyList::Dictionary entries;  // keys that become equal keep the last value, as the reader does
    for (const auto& [key, item] : *dictionary) entries.insert_or_assign(writableText(key), writable(item));
    return PropertyList(std::move(entries));
  }
  return value;
}

// Equal, reals bit for bit (any NaN matching any, as all are written "nan").
// A date in the second before the reference date may lose bits below 1e-16 s,
// which the reader's sum of whole seconds and fraction cannot carry.
bool identical(const PropertyList& expected, const PropertyList& again) {
  if (expected.value.index() != again.value.index()) return false;
  if (const auto* real = std::get_if<double>(&expected.value)) {
    const double other = std::get<double>(again.value);
    return std::bit_cast<std::uint64_t>(*real) == std::bit_cast<std::uint64_t>(other) ||
           (std::isnan(*real) && std::isnan(other));
  }
  if (const auto* date = std::get_if<marlinet::Date>(&expected.value)) {
    const double seconds = date->secondsSinceReferenceDate;
    const double other = std::get<marlinet::Date>(again.value).secondsSinceReferenceDate;
    return seconds == other || (seconds > -1 && seconds < 0 && std::fabs(seconds - other) <= 0x1p-53);
  }
  if (const auto* array = expected.array()) {
    const auto& otherArray = *again.array();
    if (array->size() != otherArray.size()) return false;
    for (std::size_t i = 0; i < array->size(); ++i) {
      if (!identical((*array)[i], otherArray[i])) return false;
    }
    return true;
  }
  if (const auto* dictionary = expected.dictionary()) {
    if (dictionary->size() != again.dictionary()->size()) return false;
    for (const auto& [key, item] : *dictionary) {
      const PropertyList* other = again.find(key);
      if (other == nullptr || !identical(item, *other)) return false;
    }
    return true;
  }
  return expected == again;
}

// `value` with its dates in whole seconds, which libplist keeps as 32 bits
// (absent beyond them) and reads as 1970 when the fraction is long.
std::optional<PropertyList> inLibplistDates(const PropertyList& value) {
  if (const auto* date = std::get_if<marlinet::Date>(&value.value)) {
    const double seconds = std::floor(date->secondsSinceReferenceDate);
    if (!(std::fabs(seconds) < 2147483647.0)) return std::nullopt;
    return PropertyList(marlinet::Date{seconds});
  }
  if (const auto* array = value.array()) {
    PropertyList::Array items;
    for (const PropertyList& item : *array) {
      auto kept = inLibplistDates(item);
      if (!kept) return std::nullopt;
      items.push_back(std::move(*kept));
    }
    return PropertyList(std::move(items));
  }
  if (const auto* dictionary = value.dictionary()) {
    PropertyList::Dictionary entries;
    for (const auto& [key, item] : *dictionary) {
      auto kept = inLibplistDates(item);
      if (!kept) return std::nullopt;
      entries.emplace_hint(entries.end(), key, std::move(*kept));
    }
    return PropertyList(std::move(entries));
  }
  return value;
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
  const std::string written = marlinet::encodeXmlPropertyList(*read);
  const PropertyList expected = writable(*read);
  const auto again = marlinet::decodeXmlPropertyList(written);
  if (!again || !identical(expected, *again)) std::abort();
  if (const auto forLibplist = inLibplistDates(expected)) {
    const auto byLibplist = marlinet::decodeWithLibplist(marlinet::encodeXmlPropertyList(*forLibplist));
    if (!byLibplist || !sameValue(*forLibplist, *byLibplist)) std::abort();
  }
  return 0;
}
