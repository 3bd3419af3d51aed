// Feeds arbitrary bytes to the decoder of the stored imported list. It must
// agree with a plain reading through a tree of JSON values (the decoder
// streams instead, to bound its memory), and whatever decodes must encode
// again and decode to the same values.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

#include "replacements/imported_replacements_store.h"
#include "replacements/json_nesting.h"

namespace {

using marlinet::Date;
using marlinet::ParsedReplacements;
using Decoded = std::optional<std::pair<ParsedReplacements, Date>>;


std::optional<std::int64_t> integerMember(const nlohmann::json& file, const char* name) {
  const auto member = file.find(name);
  if (member == file.end()) return std::nullopt;
  if (member->is_number_unsigned()) {
    const auto value = member->get<std::uint64_t>();
    if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
    return static_cast<std::int64_t>(value);
  }
  if (member->is_number_integer()) return member->get<std::int64_t>();
  return std::nullopt;
}

// The file format read the simple way, through a tree.
Decoded readThroughATree(std::string_view bytes) {
  const nlohmann::json file = nlohmann::json::parse(bytes, nullptr, /*allow_exceptions=*/false);
  if (!file.is_object()) return std::nullopt;
  const auto list = file.find("replacements");
  const auto skippedNonASCII = integerMember(file, "skippedNonASCII");
  const auto skippedDisabled = integerMember(file, "skippedDisabled");
  const auto importedAt = file.find("importedAt");
  if (list == file.end() || !list->is_array() || !skippedNonASCII || !skippedDisabled || importedAt == file.end() ||
      !importedAt->is_number() || !std::isfinite(importedAt->get<double>())) {
    return std::nullopt;
  }
  ParsedReplacements parsed{{}, *skippedNonASCII, *skippedDisabled};
  for (const nlohmann::json& element : *list) {
    if (!element.is_object()) return std::nullopt;
    const auto shortcut = element.find("shortcut");
    const auto phrase = element.find("phrase");
    if (shortcut == element.end() || phrase == element.end() || !shortcut->is_string() || !phrase->is_string()) {
      return std::nullopt;
    }
    if (shortcut->get_ref<const std::string&>().empty() || phrase->get_ref<const std::string&>().empty()) continue;
    parsed.replacements.push_back({shortcut->get<std::string>(), phrase->get<std::string>()});
  }
  return std::pair{std::move(parsed), Date{importedAt->get<double>()}};
}

bool same(const Decoded& a, const Decoded& b) {
  if (!a || !b) return !a && !b;
  return a->first == b->first && a->second.secondsSinceReferenceDate == b->second.secondsSinceReferenceDate;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using marlinet::ImportedReplacementsStore;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto decoded = ImportedReplacementsStore::decode(bytes);
  // Far deeper than the format is refused without building anything.
  const Decoded expected = marlinet::jsonNesting(bytes) > 64 ? std::nullopt : readThroughATree(bytes);
  if (!same(decoded, expected)) std::abort();
  if (!decoded) return 0;
  const auto encoded = ImportedReplacementsStore::encode(decoded->first, decoded->second);
  if (!encoded || !same(ImportedReplacementsStore::decode(*encoded), decoded)) std::abort();
  return 0;
}
